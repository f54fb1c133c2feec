// The host's symbol pictures: the common ones each its own, overlays, the rest the glyph.
#include "host/symbols.h"

#include <gtest/gtest.h>

#include <QSet>
#include <string>

#include "host/symbol_pictures.h"

namespace bb::hostapp {
namespace {

struct Symbol {
    char table, code;
};

// The symbols heard most, in both tables: each a table and a code.
const std::string kCommon =
    "/>/-/#/&/_/k/j/</b/s/Y/^/'/O/$/K/h/:/P/!/a/f/u/v/U/R/[/y/r/+/X/=/p"
    "/e/l///./H/E/o/z/;/W/`/L/T/(/@/d/g/A/c/C/*\\!\\#\\&\\0\\a\\n\\k\\A\\O\\t\\w\\;\\y";

QByteArray Bytes(const QImage& image) {
    return QByteArray(reinterpret_cast<const char*>(image.constBits()),
                      static_cast<qsizetype>(image.sizeInBytes()));
}

TEST(Symbols, TheCommonOnesArePicturesEachOfItsOwn) {
    ASSERT_GE(kCommon.size(), 120u);
    QSet<QByteArray> seen;
    for (std::size_t i = 0; i + 1 < kCommon.size(); i += 2) {
        const Symbol s{kCommon[i], kCommon[i + 1]};
        SCOPED_TRACE((std::string{s.table, s.code}));
        EXPECT_TRUE(HasPicture(s.table != '/', s.code));
        QImage picture, glyph;
        ASSERT_TRUE(DrawSymbol(s.table, s.code, picture));
        ASSERT_TRUE(DrawGlyph(s.table, s.code, glyph));
        EXPECT_NE(Bytes(picture), Bytes(glyph));
        EXPECT_EQ(picture.size(), QSize(kSymbolSize, kSymbolSize));
        int inked = 0;  // pixels off the white ground
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                inked += picture.pixelColor(x, y) != QColor(Qt::white);
        EXPECT_GT(inked, 20);
        seen.insert(Bytes(picture));
    }
    // No two the same, but the alternate digipeater (the primary's star, its overlay marks it).
    EXPECT_EQ(seen.size(), static_cast<qsizetype>(kCommon.size() / 2) - 1);
}

TEST(Symbols, OverlaysShowTheirCharacterAndTheRestKeepTheGlyph) {
    QImage plain, igate, rx, digi, glyph, symbol;
    ASSERT_TRUE(DrawSymbol('\\', '&', plain));
    ASSERT_TRUE(DrawSymbol('I', '&', igate));
    ASSERT_TRUE(DrawSymbol('R', '&', rx));
    ASSERT_TRUE(DrawSymbol('3', '#', digi));
    EXPECT_EQ((QSet<QByteArray>{Bytes(plain), Bytes(igate), Bytes(rx), Bytes(digi)}.size()), 4);
    // The overlay character is drawn white in the middle of the picture.
    EXPECT_EQ(igate.pixelColor(kSymbolSize / 2, kSymbolSize / 2 - 1).lightness() > 200,
              plain.pixelColor(kSymbolSize / 2, kSymbolSize / 2 - 1).lightness() <= 200);
    // A symbol without a picture of its own is the glyph, as before.
    for (const Symbol s : {Symbol{'/', 'Z'}, Symbol{'\\', 'Q'}, Symbol{'D', 'Q'}}) {
        ASSERT_FALSE(HasPicture(s.table != '/', s.code));
        ASSERT_TRUE(DrawSymbol(s.table, s.code, symbol));
        ASSERT_TRUE(DrawGlyph(s.table, s.code, glyph));
        EXPECT_EQ(Bytes(symbol), Bytes(glyph));
    }
    EXPECT_FALSE(DrawSymbol('x', '>', symbol));
    EXPECT_FALSE(DrawSymbol('/', ' ', symbol));
}

}  // namespace
}  // namespace bb::hostapp
