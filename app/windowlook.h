#pragma once

#include <QObject>
#include <QPalette>

class QAction;
class QMainWindow;
class QMenu;
class QSettings;

// How the window looks, as the user chose it in the View menu and as the
// settings remember it: the highlight rules of the rows (edited in a
// HighlightRulesDialog), the size of the font of the tabs and the panels,
// the dark theme, and the columns hidden by the header's menu.
// Settings: "HighlightRules", "ZoomPointSize", "DarkTheme" and
// "HiddenColumns".
class WindowLook final : public QObject
{
    Q_OBJECT

public:
    static constexpr int minPointSize = 6;
    static constexpr int maxPointSize = 32;

    // Adds its entries to `viewMenu` and applies what the settings hold.
    WindowLook(QMainWindow *window, QMenu *viewMenu, QSettings &settings);
    Q_DISABLE_COPY_MOVE(WindowLook)

    int pointSize() const { return size; }
    // Larger (or smaller) by `steps` points, within the bounds.
    void zoom(int steps);
    void resetZoom();
    void setDarkTheme(bool on);
    void editHighlightRules();

private:
    void applyFont();
    static QPalette darkPalette();

    QMainWindow *window;
    QSettings &settings;
    int defaultSize = 9;
    int size = 9;
    QPalette lightPalette;
    QAction *darkAction = nullptr;
};
