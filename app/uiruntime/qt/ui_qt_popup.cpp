// ui_qt_popup.cpp - modal message boxes.
#include "ui_qt_state.h"
#include "../ui_test_hooks.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

void UiTest_SetPopupObserver(UiPopupObserver observer)
{
    Runtime().popup_observer = std::move(observer);
}

namespace {

// The box belongs to the active window, or else to the first shown panel.
QWidget* OwnerWindow()
{
    if (QWidget* active = QApplication::activeWindow()) return active;
    for (const auto& [handle, panel] : Runtime().panels)
        if (panel->window && panel->window->isVisible()) return panel->window.get();
    return nullptr;
}

}  // namespace

int MessagePopup(const char* title, const char* message)
{
    UiQtRuntime& rt = Runtime();
    if (!rt.started) return Refuse(UI_ERR_NOT_STARTED, "MessagePopup before InitCVIRTEEx");
    const std::string title_text = title != nullptr ? title : "";
    const std::string message_text = message != nullptr ? message : "";

    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title_text),
                    QString::fromStdString(message_text), QMessageBox::Ok, OwnerWindow());
    box.setWindowModality(Qt::ApplicationModal);
    if (rt.popup_observer) {
        // Runs inside the box's own loop, once the box is shown.
        QTimer::singleShot(0, &box, [&box, title_text, message_text] {
            const auto observer = Runtime().popup_observer;
            if (observer && observer(title_text, message_text)) box.button(QMessageBox::Ok)->click();
        });
    }
    box.exec();
    return 0;
}
