// ui_qt_popup.cpp - modal message boxes.
#include "ui_qt_state.h"

#include <QApplication>
#include <QGuiApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <utility>

namespace {

// Ctrl+C in a message box puts its title and message on the clipboard,
// between separator lines, as message boxes on Windows do; Qt does so only
// there. A user can paste what the box said into a report.
class CopyOnCtrlC final : public QObject {
public:
    CopyOnCtrlC(QString title, QString message)
        : title_(std::move(title)), message_(std::move(message))
    {}

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

void UiToolkit_ShowBox(const UiPanel* owner, const std::string& title, const std::string& message,
                       bool observed)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title),
                    QString::fromStdString(message), QMessageBox::Ok,
                    owner != nullptr ? PanelWidget(*owner) : nullptr);
    box.setWindowModality(Qt::ApplicationModal);
    // A key the focused button leaves alone travels on to the box.
    CopyOnCtrlC copier(box.windowTitle(), box.text());
    box.installEventFilter(&copier);
    if (observed) {
        // Runs inside the box's own loop, once the box is shown.
        QTimer::singleShot(0, &box, [&box, title, message] {
            if (UiBoxShown(title, message)) box.button(QMessageBox::Ok)->click();
        });
    }
    // The control that had the keyboard has it again once the box is
    // gone, so the next Space presses the same button.
    const QPointer<QWidget> focus = QApplication::focusWidget();
    box.exec();
    if (focus != nullptr && focus->isVisible()) focus->setFocus(Qt::OtherFocusReason);
}
