#include "app/Layout.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace corvane::app;

namespace {

ScreenMetrics screenOf(int widthPixels, int heightPixels, float twipsPerPixel = 15.0F) {
    return {twipsPerPixel, twipsPerPixel, static_cast<float>(widthPixels) * twipsPerPixel,
            static_cast<float>(heightPixels) * twipsPerPixel};
}

std::vector<Control> scaledFor(const ScreenMetrics& screen) {
    std::vector<Control> controls = designControls();
    scaleControls(controls, FitToScreen(screen));
    return controls;
}

const Control& find(const std::vector<Control>& controls, const QString& name, int index = -1) {
    for (const Control& c : controls) {
        if (c.name == name && c.index == index) {
            return c;
        }
    }
    throw std::out_of_range(name.toStdString());
}

// The place of a control in the window at the design reference (a frame's child is relative).
Rect designPlace(const std::vector<Control>& controls, const Control& c) {
    Rect r = c.design;
    if (!c.parent.isEmpty()) {
        r.left += find(controls, c.parent).design.left;
        r.top += find(controls, c.parent).design.top;
    }
    return r;
}

} // namespace

// ScaleX, ScaleY and FontScale for each screen; only its size in twips counts, twips per pixel
// round (ties to even) to 14 or 16, and metrics that give no scale (above 40 twips per pixel
// the 16-bit product overflows; zero would divide by zero) fall back to the design.
TEST(FitToScreen, ScalesEachScreenToTheDesign) {
    struct Case {
        ScreenMetrics screen;
        float x, y, font;
    };
    const Case cases[] = {
        {screenOf(800, 600), 1, 1, 1},
        {screenOf(1024, 768), 1.28F, 1.28F, 1.28F},
        {screenOf(1920, 1080), 2.4F, 1.8F, 2.1F},
        {screenOf(1024, 768, 12), 1024 * 12 / 12000.0F, 768 * 12 / 9000.0F, 0},
        {{14.5F, 14.5F, 24000, 18000}, 2, 2, 0},
        {{15.5F, 15.5F, 24000, 18000}, 2, 2, 0},
        {{9.6F, 9.6F, 24000, 18000}, 2, 2, 0},
        {{20, 20, 24000, 18000}, 2, 2, 0},
        {{41, 41, 12000, 9000}, 1, 1, 0},
        {{0, 0, 12000, 9000}, 1, 1, 0},
        {{0.2F, 0.2F, 12000, 9000}, 1, 1, 0},
        {{-15, -15, 12000, 9000}, 1, 1, 0},
        {{15, 15, 0, -1}, 1, 1, 0},
    };
    for (const Case& c : cases) {
        const ScaleFactors f = FitToScreen(c.screen);
        SCOPED_TRACE(testing::Message() << c.screen.twipsPerPixelX << " " << c.screen.widthTwips);
        EXPECT_FLOAT_EQ(f.ScaleX, c.x);
        EXPECT_FLOAT_EQ(f.ScaleY, c.y);
        if (c.font != 0) {
            EXPECT_FLOAT_EQ(f.FontScale, c.font);
        }
    }
}

TEST(ScalingPass, AtTheDesignScreenOnlyTheWebButtonsFontChanges) {
    const auto design = designControls();
    const auto controls = scaledFor(screenOf(800, 600));
    for (const Control& c : controls) {
        EXPECT_EQ(c.scaled, designPlace(design, c)) << c.name.toStdString() << c.index;
        if (c.name == "cmdWebSite") {
            EXPECT_FLOAT_EQ(c.fontSize, 8.25F * 0.9F);
        } else if (c.kind != ControlKind::MediaPlayer) {
            EXPECT_FLOAT_EQ(c.fontSize, 8.25F) << c.name.toStdString();
        }
    }
}

TEST(ScalingPass, WorkedExamples) {
    const auto wide = scaledFor(screenOf(1920, 1080));
    EXPECT_NEAR(find(wide, "List1").scaled.left, 1440, 1e-3);
    EXPECT_NEAR(find(wide, "List1").scaled.top, 1296, 1e-3);
    EXPECT_NEAR(find(wide, "Label1").fontSize, 8.25 * 2.1, 1e-4);
    // The first item button keeps its place in its frame, in line with the others.
    const Rect first = find(wide, "cmdCustom", 0).scaled;
    EXPECT_NEAR(first.left, find(wide, "cmdCustom", 2).scaled.left, 1e-3);
    EXPECT_NEAR(first.top, find(wide, "cmdCustom", 1).scaled.top, 1e-3);

    const auto controls = scaledFor(screenOf(1024, 768));
    const Rect list = find(controls, "List1").scaled;
    EXPECT_NEAR(list.left, 768, 1e-3);
    EXPECT_NEAR(list.top, 921.6, 1e-3);
    EXPECT_NEAR(list.width, 10771.2, 1e-2);
    EXPECT_NEAR(list.height, 9504, 1e-2);
    EXPECT_NEAR(find(controls, "Label3").fontSize, 10.56, 1e-4);
    EXPECT_NEAR(find(controls, "cmdWebSite").fontSize, 9.504, 1e-4);
}

TEST(Controls, ButtonArraysSitInTwoColumns) {
    const auto controls = designControls();
    for (int i = 0; i < 8; ++i) {
        for (const auto& [name, top] : {std::pair{"cmdCustom", 960}, std::pair{"cmdSort", 3480}}) {
            const Control& c = find(controls, name, i);
            EXPECT_EQ(designPlace(controls, c),
                      (Rect{i % 2 == 0 ? 9480.0 : 10440.0, top + 360.0 * (i / 2), 855, 255}))
                << name << i;
            EXPECT_TRUE(c.bold);
        }
    }
}

TEST(Controls, EveryControlIsOnceAndInsideTheLayout) {
    const auto controls = designControls();
    QSet<QString> seen;
    for (const Control& c : controls) {
        const QString key = c.name + QString::number(c.index);
        EXPECT_FALSE(seen.contains(key)) << key.toStdString();
        seen.insert(key);
        if (c.kind == ControlKind::MediaPlayer) {
            continue; // has no counterpart in the window
        }
        const Rect r = designPlace(controls, c);
        EXPECT_GE(r.left, 0);
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.right(), LayoutWidth) << key.toStdString();
        EXPECT_LE(r.bottom(), LayoutHeight) << key.toStdString();
    }
    // 16 single controls (the player among them) and two arrays of eight buttons.
    EXPECT_EQ(controls.size(), 32U);
    EXPECT_EQ(find(controls, "List1").fontFace, QStringLiteral("Courier New"));
    EXPECT_EQ(find(controls, "List1").background, (Rgb{236, 236, 236}));
    EXPECT_FALSE(find(controls, "cmdWebSite").bold);
}
