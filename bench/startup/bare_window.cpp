// bare_window.cpp - the same window as the program's main panel, the same
// widget kinds and settings, placed by hand.
#include "bare_window.h"

#include <QDoubleSpinBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QWidget>

#include <string>

namespace {

const QColor kPanel(0xEC, 0xE9, 0xD8);

void Colour(QWidget* w, QPalette::ColorRole role, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(role, c);
    w->setPalette(p);
}

void Fit(QWidget* widget, const QString& text, int width)
{
    QFont font = widget->font();
    for (int stretch = 100; stretch >= 60; stretch -= 2) {
        font.setStretch(stretch);
        if (QFontMetrics(font).horizontalAdvance(text) <= width) break;
    }
    widget->setFont(font);
}

void Label(QWidget* parent, const QString& text, int top, int left, int room = 0)
{
    auto* label = new QLabel(text, parent);
    label->move(left, top);
    if (room > 0) Fit(label, text, room);
    label->adjustSize();
}

void Text(QWidget* parent, const QString& text, int top, int left, int width, int height,
          int pixels = 0)
{
    auto* label = new QLabel(text, parent);
    label->setAutoFillBackground(true);
    label->setAlignment(pixels >= 30 ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter));
    QFont font = label->font();
    if (pixels > 0) font.setPixelSize(pixels);
    label->setFont(font);
    Fit(label, text, width);
    label->setGeometry(left, top, width, height);
}

void Spin(QAbstractSpinBox* box, int top, int left, int width)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::OmitGroupSeparator);
    box->setLocale(c);
    box->setLayoutDirection(Qt::RightToLeft);
    if (auto* field = box->findChild<QLineEdit*>()) field->setLayoutDirection(Qt::LeftToRight);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Colour(box, QPalette::Base, Qt::white);
    box->setGeometry(left, top, width, 21);
}

void Time(QWidget* page, double min, const QString& label, int label_top, int label_left, int top,
          int left, int width)
{
    const bool beside = label_top > top - 21 && label_top < top + 21 && label_left < left;
    auto* box = new QDoubleSpinBox(page);
    box->setDecimals(1);
    box->setRange(min, 2678400.0);
    box->setSingleStep(0.1);
    box->setValue(min);
    Spin(box, top, left, width);
    Label(page, label, label_top, label_left, beside ? left - label_left - 2 : 0);
}

void Byte(QWidget* panel, int max, const QString& label, int left, int width)
{
    auto* box = new QSpinBox(panel);
    box->setRange(0, max);
    box->setValue(0);
    Spin(box, 437, left, width);
    Label(panel, label, 416, left);
}

void Button(QWidget* parent, const QString& text, int top, int left, int width, int height)
{
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    Fit(button, text, width - 12);
    button->setGeometry(left, top, width, height);
}

QWidget* Page(QStackedWidget* stack)
{
    auto* page = new QWidget(stack);
    page->setAutoFillBackground(true);
    Colour(page, QPalette::Window, kPanel);
    page->resize(671, 354);
    stack->addWidget(page);
    return page;
}

}  // namespace

std::unique_ptr<QWidget> BuildBareWindow()
{
    auto window = std::make_unique<QWidget>();
    window->setWindowTitle(QStringLiteral("KX418 Configurator v1.0, (c) 2026 KX418 project"));
    window->setAutoFillBackground(true);
    Colour(window.get(), QPalette::Window, kPanel);
    window->setFixedSize(700, 523);
    window->move(16, 16);

    auto* tab = new QWidget(window.get());
    tab->setGeometry(13, 11, 675, 377);
    auto* frame = new QFrame(tab);
    frame->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    frame->setGeometry(0, 20, 675, 357);
    auto* bar = new QTabBar(tab);
    bar->setDrawBase(false);
    bar->setExpanding(false);
    bar->setGeometry(0, 0, 675, 21);
    auto* stack = new QStackedWidget(tab);
    stack->setGeometry(2, 21, 671, 354);
    QObject::connect(bar, &QTabBar::currentChanged, stack, &QStackedWidget::setCurrentIndex);

    struct Single {
        const char* heading;
        int width;
        int times;
        double min;
        const char* first_label;
    };
    const Single singles[] = {
        {"Einschaltverzoegerung mit Reset", 354, 1, 0.0, "Zeit, Sek"},
        {"Ausschaltverzoegerung mit Reset", 360, 1, 0.0, "Zeit, Sek"},
        {"Ein-/Ausschaltverzoegerung mit Reset", 410, 2, 0.0, "Zeit 1, Sek"},
        {"Monoflop mit Reset", 209, 1, 0.1, "Zeit, Sek"},
        {"Monoflop mit Restart und Reset", 339, 1, 0.1, "Zeit, Sek"},
        {"Ein- / Aus-Schalter", 204, 0, 0.0, ""},
        {"Ein- / Aus-Taster", 182, 0, 0.0, ""},
        {"Blinkschalter(Toggle)", 227, 2, 0.1, "Zeit 1, Sek"},
    };
    for (int i = 0; i < 8; ++i) {
        const Single& s = singles[i];
        QWidget* page = Page(stack);
        bar->addTab(QStringLiteral("Fn%1").arg(i + 1));
        Button(page, QStringLiteral("Einstellungen abschicken"), 312, 37, 151, 26);
        if (s.times >= 1)
            Time(page, s.min, QString::fromLatin1(s.first_label), 67, 38, 87, 31, 106);
        Text(page, QString::fromLatin1(s.heading), 12, 37, s.width, 28, 22);
        if (s.times == 2) Time(page, s.min, QStringLiteral("Zeit 2, Sek"), 117, 36, 137, 29, 108);
    }

    QWidget* f9 = Page(stack);
    bar->addTab(QStringLiteral("Fn9"));
    Button(f9, QStringLiteral("Einstellungen abschicken"), 312, 78, 151, 26);
    auto* toggle = new QPushButton(QStringLiteral("Aus"), f9);
    toggle->setCheckable(true);
    toggle->setAutoDefault(false);
    toggle->setGeometry(437, 312, 40, 26);
    QObject::connect(toggle, &QPushButton::toggled, [toggle](bool on) {
        toggle->setText(on ? QStringLiteral("Ein") : QStringLiteral("Aus"));
    });
    Label(f9, QStringLiteral("Auto-Restart"), 318, 362, 437 - 362 - 2);
    Text(f9, QStringLiteral("8-kanaliger Ein-/Ausschalt-Sequenzer mit Reset"), 18, 87, 513, 28, 22);
    const int rows[] = {61, 90, 119, 149, 178, 207, 236, 265};
    for (int ch = 1; ch <= 8; ++ch) {
        const int top = rows[ch - 1];
        Text(f9, QStringLiteral("Kanal %1").arg(ch), top + 3, 76, 39, 15);
        Time(f9, 0.0, QStringLiteral("Zeit %1: Start, Sek%2").arg(ch).arg(ch <= 2 ? "." : ""),
             top + 3, 188, top, 288, 106);
        Time(f9, 0.0, QStringLiteral("Zeit %1: Stopp, Sek").arg(ch), top + 3, 408, top, 501, 108);
    }

    QWidget* w = window.get();
    auto* result = new QLineEdit(QStringLiteral("0"), w);
    result->setReadOnly(true);
    result->setFocusPolicy(Qt::NoFocus);
    result->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Colour(result, QPalette::Base, kPanel);
    result->setGeometry(537, 437, 134, 21);
    Label(w, QStringLiteral("Sekunden"), 416, 537);
    Byte(w, 59, QStringLiteral("Sekunden"), 403, 57);
    Byte(w, 59, QStringLiteral("Minuten"), 330, 59);
    Byte(w, 23, QStringLiteral("Stunden"), 254, 59);
    Byte(w, 30, QStringLiteral("Tage"), 181, 58);
    Button(w, QStringLiteral("Zeit umrechnen"), 430, 31, 117, 27);
    Button(w, QStringLiteral("Beenden"), 487, 570, 118, 26);
    auto* decoration = new QFrame(w);
    decoration->setFrameStyle(QFrame::Box | QFrame::Sunken);
    decoration->setGeometry(12, 412, 676, 57);
    Text(w, QStringLiteral("="), 428, 487, 21, 38, 30);
    Text(w, QStringLiteral("Zeit-Umrechner"), 406, 50, 76, 15);
    return window;
}
