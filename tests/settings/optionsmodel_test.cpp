// The "Options" dialog's rules, through its model.
#include "settings/optionsmodel.h"

#include <gtest/gtest.h>

namespace pix {
namespace {

const QStringList kDefault{"*.bmp", "*.gif", "*.jpg", "*.png", "*.ico", "*.wmf"};

TEST(OptionsRules, OpeningShowsTheListJoined) {
    OptionsModel m;
    m.open(kDefault);
    EXPECT_EQ(m.text(), "*.bmp;*.gif;*.jpg;*.png;*.ico;*.wmf");
    EXPECT_FALSE(m.filtersChanged());
    EXPECT_EQ(m.accept(), kDefault) << "OK without an edit splits the same text again";
    m.open({});
    EXPECT_EQ(m.text(), "");
}

TEST(OptionsRules, AnyEditCounts) {
    OptionsModel m;
    m.open(kDefault);
    m.edit(m.text() + "x");
    m.edit("*.bmp;*.gif;*.jpg;*.png;*.ico;*.wmf");
    EXPECT_TRUE(m.filtersChanged()) << "typed back to the same text";
    EXPECT_EQ(m.accept(), kDefault);
}

TEST(OptionsRules, WhatOkMakesOfTheText) {
    OptionsModel m;
    m.open(kDefault);
    m.edit("");
    EXPECT_EQ(m.accept(), kDefault) << "an empty text keeps the list";
    EXPECT_TRUE(m.filtersChanged());
    m.edit("*.png,*.jpg");
    EXPECT_EQ(m.accept(), QStringList({"*.png", "*.jpg"}));
    m.open(m.accept());
    EXPECT_EQ(m.text(), "*.png;*.jpg") << "commas come back as semicolons";
    m.edit("*.png;*.*;*.gif");
    EXPECT_EQ(m.accept(), QStringList({"*.*"}));
    m.edit(";;,");
    EXPECT_TRUE(m.accept().isEmpty()) << "a text without a pattern is not refused";
}

} // namespace
} // namespace pix
