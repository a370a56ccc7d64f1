#pragma once

#include "support/DovecotServer.h"

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

    testsupport::DovecotServer server;
};
