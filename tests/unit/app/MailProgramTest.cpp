#include "app/control/MailProgram.h"

#include "app/control/Form1Model.h"
#include "settings/GlobalSettings.h"

#include <gtest/gtest.h>

namespace {

TEST(MailProgram, ADesktopEntryStartsTheApplicationNotAComposeWindow)
{
    // clang-format off
    const struct { const char* name; QByteArray entry; QString program; QStringList arguments; QString caption; } rows[] = {
        {"URL field code dropped", "[Desktop Entry]\nName=Thunderbird\nExec=thunderbird %u\n", "thunderbird", {}, "Thunderbird"},
        {"Japanese name, quoted path, percent sign", "[Desktop Entry]\nName=Mail\nName[ja]=メール\nExec=\"/opt/my mail/run\" --rate 50%% %U\n", "/opt/my mail/run", {"--rate", "50%"}, "メール"},
        {"an action's Exec is not the application's", "[Desktop Entry]\nName=Evolution\nExec=evolution %U\n\n[Desktop Action Compose]\n" "Exec=evolution mailto:\n", "evolution", {}, "Evolution"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto mail = MailProgram::fromDesktopEntry(row.entry);
        ASSERT_TRUE(mail.has_value());
        EXPECT_EQ(mail->program, row.program);
        EXPECT_EQ(mail->arguments, row.arguments);
        EXPECT_EQ(mail->name, row.caption);
    }
    EXPECT_FALSE(MailProgram::fromDesktopEntry("[Desktop Entry]\nName=No Exec\n").has_value());
    EXPECT_FALSE(MailProgram::fromCommand(u"   "_qs).has_value());
}
} // namespace
