#include "support/short_text.h"
#include "support/boxed.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace bb {
namespace {

// Texts either side of what fits inside, each copied, moved and assigned
// over the others: every one comes out whole (the sanitizers watch the heap).
TEST(ShortText, EveryLengthSurvivesCopyMoveAndAssignment) {
    const std::vector<std::string> texts{"",
                                         "/",
                                         "5130.00N",
                                         "00100.00W",
                                         std::string(15, 'x'),
                                         std::string(16, 'y'),
                                         "145.625 MHz T100 -060 a longer comment"};
    for (const std::string& a : texts) {
        const ShortText made(a);
        EXPECT_EQ(made, a);
        EXPECT_EQ(made.size(), a.size());
        ShortText copy = made;
        ShortText moved = std::move(copy);
        EXPECT_EQ(moved, a);
        EXPECT_TRUE(copy.empty());  // NOLINT: a moved-from text is empty
        for (const std::string& b : texts) {
            ShortText over(b);
            over = made;
            EXPECT_EQ(over, a) << b;
            over = b;
            EXPECT_EQ(std::string(over), b);
            over = std::move(moved);
            EXPECT_EQ(over.view(), a);
            moved = over;
        }
        ShortText& self = moved;
        moved = self;
        EXPECT_EQ(moved, a);
    }
}

TEST(ShortText, ReadsAsTheTextItHolds) {
    const ShortText lat("5130.00N");
    EXPECT_EQ(", " + lat + " " + ShortText("00100.00W"), ", 5130.00N 00100.00W");
    EXPECT_EQ(lat.substr(0, 4), "5130");
    EXPECT_EQ(lat.back(), 'N');
    EXPECT_EQ(lat.find('.'), 4u);
    const std::string asString = lat;
    EXPECT_EQ(asString, "5130.00N");
}

// A record's optional part: copies are their own, an absent one reads as the
// defaults and takes no room until written.
TEST(Boxed, CopiesAreTheirOwnAndAbsentOnesReadAsDefaults) {
    struct Part {
        double range = 0;
        ShortText name;
    };
    Boxed<Part> absent;
    const Boxed<Part>& reader = absent;
    EXPECT_EQ(reader->range, 0);
    EXPECT_FALSE(absent.Held());
    Boxed<Part> held;
    held->range = 12.5;
    held->name = "a name past fifteen characters";
    for (Boxed<Part> copy : {held, absent}) {
        Boxed<Part> assigned;
        assigned->range = 1;
        assigned = copy;
        EXPECT_EQ(assigned.Held(), copy.Held());
        if (copy.Held()) copy->name = "changed";
        EXPECT_EQ(assigned->name,
                  held.Held() && copy.Held() ? "a name past fifteen characters" : "");
    }
    EXPECT_EQ(held->name, "a name past fifteen characters");
    held.Clear();
    EXPECT_FALSE(held.Held());
    EXPECT_EQ(std::as_const(held)->range, 0);
}

}  // namespace
}  // namespace bb
