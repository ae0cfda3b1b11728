#include <gtest/gtest.h>

#include <memory>

#include "dataset/session/KarteiDatabase.h"
#include "dataset/session/KarteiSession.h"
#include "dataset/session/KarteiSessionList.h"
#include "engine/table/DataDirectory.h"
#include "kartei/Errors.h"
#include "kartei/Session.h"

namespace kartei::testing {
namespace {

std::string Raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const EDatabaseError& error) {
        return error.Message();
    }
    return {};
}

TEST(SessionList, TheDefaultSessionAnswersTheEmptyName) {
    EXPECT_EQ(Sessions().FindSession(""), &DefaultSession());
    EXPECT_EQ(Sessions().FindSession("dEfAuLt"), &DefaultSession());
    EXPECT_TRUE(DefaultSession().IsDefault());
    EXPECT_EQ(Sessions().FindSession("Nowhere"), nullptr);
    EXPECT_EQ(Raised([] { Sessions().GetSession("Nowhere"); }), "Session name Nowhere is not valid.");
}

TEST(Session, NamesAreUniqueAndFixedWhileActive) {
    TComponent owner;
    auto* session = new TKarteiSession(&owner);
    EXPECT_EQ(Raised([&] { session->SetSessionName("DEFAULT"); }), "Session name DEFAULT already exists.");
    EXPECT_EQ(Raised([&] { session->SetActive(true); }), "Session name is missing.");
    session->SetSessionName("Zweite");
    session->SetSortID(1);
    session->SetActive(true);
    EXPECT_EQ(session->EngineSession().SortId(), 1);
    EXPECT_NE(&session->EngineSession(), &DefaultSession().EngineSession());
    EXPECT_EQ(Raised([&] { session->SetSessionName("Dritte"); }),
              "Cannot perform this operation on an active session.");
    session->SetLockRetryCount(3);
    EXPECT_EQ(session->EngineSession().LockRetryCount(), 3u);
    session->SetActive(false);
    EXPECT_FALSE(session->Active());
}

TEST(Session, AutoSessionNamesItselfAndItsOwner) {
    TComponent owner;
    auto* session = new TKarteiSession(&owner);
    session->SetName("Sitzung");
    auto* database = new TKarteiDatabase(&owner);
    session->SetAutoSessionName(true);
    EXPECT_EQ(session->SessionName().substr(0, 8), "Sitzung_");
    EXPECT_EQ(database->SessionName(), session->SessionName());
    EXPECT_EQ(Raised([&] { session->SetSessionName("x"); }),
              "Cannot perform this operation on the active auto-session.");
    EXPECT_EQ(Raised([&] { new TKarteiSession(&owner); }), "This auto-session already exists.");
    auto* later = new TKarteiDatabase(&owner);
    EXPECT_EQ(later->Session(), session);
}

TEST(Database, NamesAreCheckedAndFixedWhileConnected) {
    TComponent owner;
    auto* first = new TKarteiDatabase(&owner);
    first->SetDatabaseName("vw1");
    auto* second = new TKarteiDatabase(&owner);
    EXPECT_EQ(Raised([&] { second->SetDatabaseName("VW1"); }), "Database name VW1 already exists.");
    EXPECT_EQ(Raised([&] { second->SetDatabaseName("1vw"); }), "Database name 1vw is not valid.");
    EXPECT_EQ(Raised([&] { second->Open(); }), "Database name is missing.");
    first->SetDirectory("/tmp");
    first->Open();
    EXPECT_EQ(Raised([&] { first->SetDirectory("/"); }),
              "Cannot perform this operation on an open database.");
    EXPECT_EQ(first->EngineVersion(), "2.11");
}

TEST(Database, DifferentNamesOnOneDirectoryShareIt) {
    TComponent owner;
    auto* first = new TKarteiDatabase(&owner);
    first->SetDatabaseName("eins");
    first->SetDirectory("/tmp");
    auto* second = new TKarteiDatabase(&owner);
    second->SetDatabaseName("zwei");
    second->SetDirectory("/tmp/");
    first->Open();
    second->Open();
    EXPECT_EQ(first->EngineDirectory(), second->EngineDirectory());
    EXPECT_EQ(second->EngineDirectory()->ReferenceCount(), 2);
    first->Close();
    EXPECT_EQ(second->EngineDirectory()->ReferenceCount(), 1);
}

TEST(Database, RelativeDirectoryStaysRelative) {
    TComponent owner;
    auto* db = new TKarteiDatabase(&owner);
    db->SetDatabaseName("vw");
    db->SetDirectory(".\\db");
    db->Open();
    EXPECT_EQ(db->EngineDirectory()->Path(), "./db/");
}

}  // namespace
}  // namespace kartei::testing
