#include "windowlook.h"

#include "highlightrulesdialog.h"
#include "rowcolours.h"
#include "viewerpreferences.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>
#include <QSettings>

namespace {

const QString rulesKey = QStringLiteral("HighlightRules");
const QString zoomKey = QStringLiteral("ZoomPointSize");
const QString darkKey = QStringLiteral("DarkTheme");
const QString columnsKey = QStringLiteral("HiddenColumns");

// What a settings file may name as hidden columns.
constexpr int maxHiddenColumns = 64;
constexpr int maxColumnNameLength = 256;

QStringList boundedColumnNames(const QVariant &value)
{
    QStringList names;
    for (const QVariant &item : value.toList()) {
        if (names.size() >= maxHiddenColumns)
            break;
        if (item.type() == QVariant::String && item.toString().size() <= maxColumnNameLength)
            names << item.toString();
    }
    return names;
}

QAction *addEntry(QMenu *menu, const QString &text, const QString &name, const QList<QKeySequence> &keys)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(name);
    action->setShortcuts(keys);
    return action;
}

} // namespace

WindowLook::WindowLook(QMainWindow *shown, QMenu *viewMenu, QSettings &kept)
    : QObject(shown)
    , window(shown)
    , settings(kept)
{
    // The system's palette, as it was before any window went dark.
    static const QPalette systemPalette = QApplication::palette();
    lightPalette = systemPalette;
    const int systemSize = QApplication::font().pointSize();
    defaultSize = std::clamp(systemSize > 0 ? systemSize : 9, minPointSize, maxPointSize);
    bool number = false;
    const int keptSize = settings.value(zoomKey).toInt(&number);
    size = number ? std::clamp(keptSize, minPointSize, maxPointSize) : defaultSize;

    ViewerPreferences &preferences = ViewerPreferences::instance();
    preferences.setHighlightRules(HighlightRule::fromSettings(settings.value(rulesKey)));
    preferences.setHiddenColumns(boundedColumnNames(settings.value(columnsKey)));
    connect(&preferences, &ViewerPreferences::hiddenColumnsChanged, this,
            [this] { settings.setValue(columnsKey, ViewerPreferences::instance().hiddenColumns()); });

    viewMenu->addSeparator();
    connect(addEntry(viewMenu, tr("Highlight Rules..."), QStringLiteral("viewHighlightRules"), {}),
            &QAction::triggered, this, &WindowLook::editHighlightRules);
    connect(addEntry(viewMenu, tr("Zoom In"), QStringLiteral("viewZoomIn"),
                     {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}),
            &QAction::triggered, this, [this] { zoom(1); });
    connect(addEntry(viewMenu, tr("Zoom Out"), QStringLiteral("viewZoomOut"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)}),
            &QAction::triggered, this, [this] { zoom(-1); });
    connect(addEntry(viewMenu, tr("Reset Zoom"), QStringLiteral("viewZoomReset"), {QKeySequence(Qt::CTRL | Qt::Key_0)}),
            &QAction::triggered, this, &WindowLook::resetZoom);
    darkAction = addEntry(viewMenu, tr("Dark Theme"), QStringLiteral("viewDarkTheme"), {});
    darkAction->setCheckable(true);
    connect(darkAction, &QAction::toggled, this, &WindowLook::setDarkTheme);

    applyFont();
    if (settings.value(darkKey).toBool())
        darkAction->setChecked(true);
}

void WindowLook::zoom(int steps)
{
    const int now = std::clamp(size + steps, minPointSize, maxPointSize);
    if (now == size)
        return;
    size = now;
    settings.setValue(zoomKey, size);
    applyFont();
}

void WindowLook::resetZoom()
{
    size = defaultSize;
    settings.remove(zoomKey);
    applyFont();
}

void WindowLook::applyFont()
{
    // The tabs (their trees, the find bar) and the panels; the menus keep
    // the system's size. Children made later take their parent's font.
    QFont font = window->font();
    font.setPointSize(size);
    if (QWidget *tabs = window->centralWidget())
        tabs->setFont(font);
    for (QDockWidget *dock : window->findChildren<QDockWidget *>())
        dock->setFont(font);
}

void WindowLook::setDarkTheme(bool on)
{
    if (darkAction->isChecked() != on) {
        darkAction->setChecked(on); // comes back here
        return;
    }
    settings.setValue(darkKey, on);
    if (RowColours::isDark() == on)
        return;
    RowColours::setDark(on);
    // Every widget takes the palette at once and paints anew; the rows ask
    // for their colours as they paint.
    QApplication::setPalette(on ? darkPalette() : lightPalette);
}

QPalette WindowLook::darkPalette()
{
    const RowColours &rows = RowColours::dark();
    const QColor text(QRgb(rows.text));
    const QColor faint(0x80, 0x80, 0x80);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x2B, 0x2B, 0x2B));
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, QColor(QRgb(rows.base)));
    palette.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x26));
    palette.setColor(QPalette::ToolTipBase, QColor(0x33, 0x33, 0x33));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, faint);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, QColor(0xFF, 0x60, 0x60));
    palette.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
    palette.setColor(QPalette::Midlight, QColor(0x40, 0x40, 0x40));
    palette.setColor(QPalette::Mid, QColor(0x60, 0x60, 0x60));
    palette.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x18));
    palette.setColor(QPalette::Shadow, QColor(0x0A, 0x0A, 0x0A));
    palette.setColor(QPalette::Highlight, QColor(0x2F, 0x5F, 0xB0));
    palette.setColor(QPalette::HighlightedText, QColor(0xFF, 0xFF, 0xFF));
    palette.setColor(QPalette::Link, QColor(0x6C, 0xA0, 0xFF));
    palette.setColor(QPalette::LinkVisited, QColor(0xB0, 0x8C, 0xFF));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, faint);
    return palette;
}

void WindowLook::editHighlightRules()
{
    if (auto *open = window->findChild<HighlightRulesDialog *>()) {
        open->raise();
        return;
    }
    auto *dialog = new HighlightRulesDialog(ViewerPreferences::instance().highlightRules()->rules(), window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        const std::vector<HighlightRule> rules = dialog->rules();
        settings.setValue(rulesKey, HighlightRule::toSettings(rules));
        ViewerPreferences::instance().setHighlightRules(rules);
    });
    dialog->open();
}
