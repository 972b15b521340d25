#include "app/Layout.h"

#include "views/DisplayConfiguration.h"

#include <cmath>
#include <cstdint>

namespace corvane::app {
namespace {

// The nearest 16-bit integer, ties to even (the default rounding mode); none when out of range.
std::optional<std::int16_t> toInteger16(double value) {
    const double rounded = std::nearbyint(value);
    if (!std::isfinite(rounded) || rounded < -32768.0 || rounded > 32767.0) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(rounded);
}

// The design reference's extent in twips for `pixels` design pixels at `twipsPerPixel`:
// (15 / t) x (pixels x t) with a 16-bit product. A metric that gives no sound value (zero twips
// per pixel, or more than 40, where the product overflows) falls back to the reference itself.
int designExtent(float twipsPerPixel, int pixels, int reference) {
    const auto t = toInteger16(twipsPerPixel);
    if (!t || *t <= 0) {
        return reference;
    }
    const int product = pixels * *t;
    if (product > 32767) {
        return reference;
    }
    const auto extent = toInteger16(15.0 / *t * product);
    return extent && *extent > 0 ? *extent : reference;
}

float scaleOf(float screenTwips, int designTwips) {
    const float scale = screenTwips / static_cast<float>(designTwips);
    return std::isfinite(scale) && scale > 0.0F ? scale : 1.0F;
}

const Rgb Green{128, 255, 128};
const Rgb Orange{255, 192, 128};
const Rgb Red{255, 128, 128};
const Rgb Cyan{0, 255, 255};
const Rgb Yellow{255, 255, 128};
const Rgb ListGrey{236, 236, 236};
const Rgb White{255, 255, 255};
// The window system's face colour, which labels and frames take when given none.
const Rgb Face{240, 240, 240};

const QString SansSerif = QStringLiteral("MS Sans Serif");
const QString Courier = QStringLiteral("Courier New");
constexpr float DesignFont = 8.25F;

Control make(const QString& name, ControlKind kind, Rect design, std::optional<Rgb> background,
             const QString& fontFace, bool bold, const QString& caption = {}) {
    Control c;
    c.name = name;
    c.kind = kind;
    c.design = design;
    c.background = background;
    c.fontFace = fontFace;
    c.designFontSize = fontFace.isEmpty() ? 0.0F : DesignFont;
    c.bold = bold;
    c.caption = caption;
    return c;
}

Control button(const QString& name, Rect design, Rgb colour, const QString& caption = {}) {
    return make(name, ControlKind::Button, design, colour, SansSerif, true, caption);
}

// Element i of a button array sits in column i mod 2 and row i / 2.
Rect arrayPlace(int index, double top) {
    return {index % 2 == 0 ? 9480.0 : 10440.0, top + 360.0 * (index / 2), 855, 255};
}

} // namespace

ScaleFactors FitToScreen(const ScreenMetrics& screen) {
    ScaleFactors f;
    f.ScaleX = scaleOf(screen.widthTwips, designExtent(screen.twipsPerPixelX, 800, DesignWidth));
    f.ScaleY = scaleOf(screen.heightTwips, designExtent(screen.twipsPerPixelY, 600, DesignHeight));
    f.FontScale = (f.ScaleX + f.ScaleY) / 2.0F;
    return f;
}

std::vector<Control> designControls() {
    using K = ControlKind;
    std::vector<Control> c;
    c.push_back(
        make(QStringLiteral("List1"), K::ListBox, {600, 720, 8415, 7425}, ListGrey, Courier, true));
    c.push_back(button(QStringLiteral("CmdPlaylists"), {600, 120, 1095, 495}, Green));
    c.push_back(make(QStringLiteral("Label2"), K::Label, {1800, 120, 1335, 375}, Yellow, SansSerif,
                     false, QStringLiteral("Selected Playlist")));
    c.push_back(
        make(QStringLiteral("Text1"), K::TextBox, {1800, 360, 3375, 195}, White, Courier, false));
    c.push_back(button(QStringLiteral("CmdSelected"), {5280, 120, 975, 495}, Green,
                       QStringLiteral("PLAYLIST")));
    c.push_back(button(QStringLiteral("cmdCDLabel"), {6360, 120, 1095, 495}, Green));
    c.push_back(button(QStringLiteral("cmdPrint"), {7560, 120, 1455, 495}, Orange,
                       QStringLiteral("PRINT")));
    c.push_back(
        make(QStringLiteral("Label3"), K::Label, {9360, 720, 2055, 255}, Face, SansSerif, true));
    c.push_back(
        make(QStringLiteral("Frame2"), K::Frame, {9360, 960, 2055, 1815}, Face, SansSerif, false));
    for (int i = 0; i < 8; ++i) {
        Control b = button(QStringLiteral("cmdCustom"), arrayPlace(i, 960), Green,
                           views::ItemNames[static_cast<std::size_t>(i)]);
        b.index = i;
        if (i == 0) {
            // The first item button lies in its frame, at the same place as the rest of its
            // column.
            b.parent = QStringLiteral("Frame2");
            b.design = {120, 0, 855, 255};
        }
        c.push_back(b);
    }
    c.push_back(
        button(QStringLiteral("cmdReset"), {9480, 2400, 855, 255}, Red, QStringLiteral("Reset")));
    c.push_back(
        button(QStringLiteral("cmdSave"), {10440, 2400, 855, 255}, Red, QStringLiteral("Save")));
    c.push_back(
        make(QStringLiteral("Label1"), K::Label, {9360, 3000, 2055, 615}, Face, SansSerif, true));
    c.push_back(
        make(QStringLiteral("Frame1"), K::Frame, {9360, 3480, 2055, 1815}, Face, SansSerif, false));
    for (int i = 0; i < 8; ++i) {
        Control b = button(QStringLiteral("cmdSort"), arrayPlace(i, 3480), Green);
        b.index = i;
        c.push_back(b);
    }
    c.push_back(button(QStringLiteral("cmdMinorSort"), {9480, 4920, 1815, 255}, Red));
    Control web = button(QStringLiteral("cmdWebSite"), {9360, 7080, 2055, 1095}, Cyan);
    web.bold = false;
    c.push_back(web);
    c.push_back(make(QStringLiteral("WMP"), K::MediaPlayer, {5160, 8400, 975, 735}, std::nullopt,
                     {}, false));
    return c;
}

void scaleControls(std::vector<Control>& controls, const ScaleFactors& scale) {
    for (Control& c : controls) {
        c.scaled = {c.design.left * scale.ScaleX, c.design.top * scale.ScaleY,
                    c.design.width * scale.ScaleX, c.design.height * scale.ScaleY};
        if (c.designFontSize > 0.0F) {
            c.fontSize = c.designFontSize * scale.FontScale;
        }
    }
    // A control in a frame keeps its place in the scaled frame.
    for (Control& c : controls) {
        if (c.parent.isEmpty()) {
            continue;
        }
        for (const Control& frame : controls) {
            if (frame.name == c.parent && frame.parent.isEmpty()) {
                c.scaled.left += frame.scaled.left;
                c.scaled.top += frame.scaled.top;
            }
        }
    }
    for (Control& c : controls) {
        if (c.name == QStringLiteral("cmdWebSite")) {
            c.fontSize *= 0.9F;
        }
    }
}

} // namespace corvane::app
