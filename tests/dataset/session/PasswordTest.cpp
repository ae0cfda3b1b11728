#include <gtest/gtest.h>

#include <memory>

#include "app/data/VorwahlData.h"
#include "dataset/session/KarteiSession.h"
#include "dataset/session/KarteiSessionList.h"
#include "dataset/session/PasswordDialogLogic.h"
#include "dataset/session/PasswordPrompt.h"
#include "dataset/support/VorwahlTables.h"
#include "engine/files/FileTestSupport.h"
#include "kartei/Session.h"

namespace kartei::testing {
namespace {

using nummerix::TVorwahlData;

class EncryptedTables : public ::testing::Test {
protected:
    void SetUp() override {
        WriteVorwahlTables(temp_.Path(), VorwahlRows({"092"}), "Sesam");
        DefaultSession().RemoveAllPasswords();
    }
    void TearDown() override {
        DefaultSession().OnPassword = nullptr;
        SetPasswordPrompt(nullptr);
        DefaultSession().RemoveAllPasswords();
    }
    // A callback that enters the answers one after the other, then gives up.
    void Answer(std::vector<std::string> answers) {
        DefaultSession().OnPassword = [this, answers](TKarteiSession& session, bool& continueOpen) {
            if (calls_ < static_cast<int>(answers.size())) {
                session.AddPassword(answers[static_cast<size_t>(calls_)]);
                continueOpen = true;
            }
            ++calls_;
        };
    }
    uint16_t OpenFails() {
        try {
            TVorwahlData form(temp_.Path());
        } catch (const EKarteiEngineError& error) {
            return error.ErrorCode();
        }
        return 0;
    }

    TTempDir temp_;
    int calls_ = 0;
};

TEST_F(EncryptedTables, TheRightPasswordOpens) {
    Answer({"Sesam"});
    TVorwahlData form(temp_.Path());
    EXPECT_TRUE(form.tblCity->Active());
    EXPECT_TRUE(form.tblAreaCode->Active());
    EXPECT_EQ(calls_, 1);
}

TEST_F(EncryptedTables, AWrongPasswordAsksAgain) {
    Answer({"sesam", "Sesam"});
    TVorwahlData form(temp_.Path());
    EXPECT_TRUE(form.tblCity->Active());
    EXPECT_EQ(calls_, 2);
}

TEST_F(EncryptedTables, GivingUpFailsWith10498) {
    Answer({"falsch"});
    EXPECT_EQ(OpenFails(), 10498);
    EXPECT_EQ(calls_, 2);
}

TEST_F(EncryptedTables, WithOnPasswordNoPromptIsShown) {
    int prompts = 0;
    SetPasswordPrompt([&](TKarteiSession&) {
        ++prompts;
        return false;
    });
    Answer({});
    EXPECT_EQ(OpenFails(), 10498);
    EXPECT_EQ(prompts, 0);
    EXPECT_EQ(calls_, 1);
}

TEST_F(EncryptedTables, WithoutOnPasswordThePromptIsAsked) {
    int prompts = 0;
    SetPasswordPrompt([&](TKarteiSession& session) {
        TPasswordDialogLogic dialog(session);
        dialog.SetText(prompts++ == 0 ? "Falsch" : "Sesam");
        dialog.OKClick();
        return true;
    });
    TVorwahlData form(temp_.Path());
    EXPECT_TRUE(form.tblCity->Active());
    EXPECT_EQ(prompts, 2);
}

TEST(PasswordDialog, ButtonsFollowTheTextAndTheAddedFlag) {
    TKarteiSession& session = DefaultSession();
    session.RemoveAllPasswords();
    TPasswordDialogLogic dialog(session);
    EXPECT_FALSE(dialog.OKEnabled());
    EXPECT_FALSE(dialog.AddEnabled());
    dialog.SetText("Sesam");
    EXPECT_TRUE(dialog.AddEnabled() && dialog.RemoveEnabled() && dialog.OKEnabled());
    dialog.AddClick();
    dialog.SetText("Sesam");
    dialog.AddClick();
    EXPECT_EQ(dialog.Text(), "");
    EXPECT_FALSE(dialog.AddEnabled());
    EXPECT_TRUE(dialog.OKEnabled());  // a password was added in this showing
    EXPECT_EQ(session.EngineSession().Passwords(), std::vector<std::string>{"Sesam"});
    dialog.RemoveAllClick();
    EXPECT_TRUE(session.EngineSession().Passwords().empty());
    EXPECT_TRUE(dialog.Added());
}

}  // namespace
}  // namespace kartei::testing
