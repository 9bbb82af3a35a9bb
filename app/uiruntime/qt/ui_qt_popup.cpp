// ui_qt_popup.cpp - modal message boxes.
#include "ui_qt_state.h"
#include "../ui_test_hooks.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <utility>

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

// Ctrl+C in a message box puts its title and message on the clipboard,
// between separator lines, as message boxes on Windows do; Qt does so only
// there. A user can paste what the box said into a report.
class CopyOnCtrlC final : public QObject {
public:
    CopyOnCtrlC(QString title, QString message)
        : title_(std::move(title)), message_(std::move(message)) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
            const QString separator = QStringLiteral("---------------------------\n");
            QGuiApplication::clipboard()->setText(separator + title_ + u'\n' + separator +
                                                  message_ + u'\n' + separator);
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QString title_;
    QString message_;
};

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
    // A key the focused button leaves alone travels on to the box.
    CopyOnCtrlC copier(box.windowTitle(), box.text());
    box.installEventFilter(&copier);
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
