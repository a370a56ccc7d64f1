#pragma once

#include "settings/ServerProfile.h"
#include "support/DovecotServer.h"
#include "support/SampleMailbox.h"

#include <gtest/gtest.h>

// A test with its own Dovecot on 127.0.0.1; skipped where Dovecot is not installed.
class DovecotTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (testsupport::DovecotServer::executable().isEmpty())
            GTEST_SKIP() << "Dovecot is not installed (Debian package dovecot-pop3d)";
        ASSERT_TRUE(server.start()) << server.errorString().toStdString();
    }

    // The sample rules, logging in to this server as user.
    ServerProfile accountProfile(const QString& user, const QString& password) const
    {
        ServerProfile profile = testsupport::sampleRuleProfile();
        profile.Server = server.host();
        profile.Port = QString::number(server.port());
        profile.Id = user;
        profile.PassWd = password;
        profile.Enabled = true;
        return profile;
    }

    testsupport::DovecotServer server;
};
