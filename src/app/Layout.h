#pragma once

#include <QString>
#include <optional>
#include <vector>

// The window's controls as plain data: where each one sits at the design reference, how it
// looks, and where the screen fitting puts it. Positions and sizes are in twips (1/1440 inch).
namespace corvane::app {

// The design reference: 800 x 600 pixels at 15 twips per pixel.
inline constexpr int DesignWidth = 12000;
inline constexpr int DesignHeight = 9000;

// The client area the layout needs at the design reference: the right edge of the frames, the
// labels and the web button, their bottom edge, and a margin as wide as the one above the top
// row of buttons. The player control below has no counterpart here.
inline constexpr int LayoutWidth = 11415 + 120;
inline constexpr int LayoutHeight = 8175 + 120;

struct ScreenMetrics {
    float twipsPerPixelX = 15.0F;
    float twipsPerPixelY = 15.0F;
    float widthTwips = DesignWidth; // the whole screen
    float heightTwips = DesignHeight;
};

struct ScaleFactors {
    float ScaleX = 1.0F;
    float ScaleY = 1.0F;
    float FontScale = 1.0F;
};

// The screen scale factors: the screen's size over the design reference, fonts by their mean.
ScaleFactors FitToScreen(const ScreenMetrics& screen);

struct Rect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;

    double right() const { return left + width; }
    double bottom() const { return top + height; }
    bool operator==(const Rect&) const = default;
};

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Rgb&) const = default;
};

enum class ControlKind { ListBox, Button, Label, TextBox, Frame, MediaPlayer };

struct Control {
    QString name;   // "List1", "cmdCustom"
    int index = -1; // the element of a button array; -1 for a single control
    ControlKind kind = ControlKind::Label;
    QString parent; // the frame whose coordinates `design` is relative to; empty: the window
    Rect design;
    QString caption;
    std::optional<Rgb> background; // none: the window's own colour shows through
    QString fontFace;
    float designFontSize = 0.0F; // points; 0: the control has no font
    bool bold = false;
    bool visible = true;

    // Set by the scaling pass: the place in the window (relative to the window, not the frame)
    // and the font size.
    Rect scaled;
    float fontSize = 0.0F;
};

inline const QString WindowCaption = QStringLiteral("Corvane - version " CORVANE_VERSION);
inline constexpr Rgb WindowBackground{21, 44, 67};

// Every control of the window at its design place, with its design caption and look.
std::vector<Control> designControls();

// Moves and resizes every control by the scale factors and scales its font; the web button's
// font ends at 0.9 of the scaled size.
void scaleControls(std::vector<Control>& controls, const ScaleFactors& scale);

} // namespace corvane::app
