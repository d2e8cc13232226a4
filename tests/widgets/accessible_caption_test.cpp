#include "widgets/accessible_caption.h"

#include <gtest/gtest.h>

namespace {

TEST(AccessibleCaption, DropsMnemonicsTheColonAndTheBlanksAround)
{
    const std::pair<const char*, const char*> cases[] = {
        {"First Date:", "First Date"},
        {"Data available: ", "Data available"},
        {"Select &Pattern File", "Select Pattern File"},
        {"Fish && Chips:", "Fish & Chips"},
        {"(wildcard '?' shows all)", "(wildcard '?' shows all)"},
        {"Time: 10:30", "Time: 10:30"},
        {"&", ""},
        {"", ""},
    };
    for (const auto& [caption, name] : cases)
        EXPECT_EQ(widgets::AccessibleCaption(QString::fromLatin1(caption)).toStdString(), name) << caption;
}

} // namespace
