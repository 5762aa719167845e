// The DDE client calls against the machine's Program Manager.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "dde/progman.h"
#include "platform.h"
#include "support/machine_fixture.h"

namespace {

std::vector<UINT> gCallbackTypes;  // transaction types the test callback was given

HDDEDATA CALLBACK RecordingCallback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    gCallbackTypes.push_back(type);
    return nullptr;
}

// A group as "name: caption=command line; ..." for compact comparisons.
std::vector<std::string> Groups() {
    std::vector<std::string> out;
    for (const host::ProgmanGroup& group : host::ProgmanGroups()) {
        std::string line = group.name + ":";
        for (const host::ProgmanItem& item : group.items) line += " " + item.caption + "=" + item.commandLine + ";";
        out.push_back(line);
    }
    return out;
}

}  // namespace

class DdeTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        gCallbackTypes.clear();
        ASSERT_EQ(DdeInitializeA(&instance_, RecordingCallback, APPCMD_CLIENTONLY, 0), (UINT)DMLERR_NO_ERROR);
        ASSERT_NE(instance_, 0u);
    }
    void TearDown() override {
        DdeUninitialize(instance_);
        MachineTest::TearDown();
    }

    HCONV Connect(const char* service = "PROGMAN", const char* topic = "PROGMAN") {
        HSZ serviceName = DdeCreateStringHandleA(instance_, service, CP_WINANSI);
        HSZ topicName = DdeCreateStringHandleA(instance_, topic, CP_WINANSI);
        HCONV conversation = DdeConnect(instance_, serviceName, topicName, nullptr);
        EXPECT_TRUE(DdeFreeStringHandle(instance_, serviceName));
        EXPECT_TRUE(DdeFreeStringHandle(instance_, topicName));
        return conversation;
    }

    // Sends a command as the setup program does: with its terminator, as CF_TEXT.
    bool Execute(HCONV conversation, const std::string& command, DWORD* result = nullptr) {
        HDDEDATA data = DdeClientTransaction((LPBYTE)command.c_str(), (DWORD)command.size() + 1, conversation,
                                             nullptr, CF_TEXT, XTYP_EXECUTE, 10000, result);
        EXPECT_TRUE(data == nullptr || data == (HDDEDATA)1) << command;
        return data == (HDDEDATA)1;
    }

    DWORD instance_ = 0;
};

TEST_F(DdeTest, ClientSessionMakesAGroupWithItemsThatStays) {
    HCONV conversation = Connect("progman", "Progman");  // names compare without regard to case
    ASSERT_NE(conversation, nullptr);
    DWORD result = 0;
    EXPECT_TRUE(Execute(conversation, "[CreateGroup(\"表計算\",0)]", &result));
    EXPECT_EQ(result & 0xFFFF, (DWORD)DDE_FACK);
    EXPECT_TRUE(Execute(conversation, "[AddItem(\"C:\\PROGRA~1\\HYOKEI\\HYOKEI.EXE\",\"表計算\")]"));
    EXPECT_TRUE(Execute(conversation, "[AddItem(\"C:\\PROGRA~1\\HYOKEI\\SETUP.EXE /r\",\"SETUP.EXEの削除\")]"));
    EXPECT_TRUE(DdeDisconnect(conversation));

    // A later conversation, as a later run would make, finds the same group.
    conversation = Connect();
    ASSERT_NE(conversation, nullptr);
    EXPECT_TRUE(Execute(conversation, "[CreateGroup(\"表計算\",0)]"));
    EXPECT_EQ(Groups(), (std::vector<std::string>{
                            "スタートアップ:", "表計算: 表計算=C:\\PROGRA~1\\HYOKEI\\HYOKEI.EXE; "
                            "SETUP.EXEの削除=C:\\PROGRA~1\\HYOKEI\\SETUP.EXE /r;"}));
    EXPECT_NE(Transcript().find(u8"dde \"[CreateGroup(\\\"表計算\\\",0)]\" result=ok\n"), std::string::npos)
        << Transcript();
    EXPECT_TRUE(gCallbackTypes.empty());  // the client's own disconnect is not reported to it
}

TEST_F(DdeTest, CommandsActOnTheGroupLastMadeOrShown) {
    HCONV conversation = Connect();
    ASSERT_NE(conversation, nullptr);
    struct Step {
        const char* command;
        bool ok;
    } steps[] = {
        {"[AddItem(A.EXE,Nowhere)]", false},  // no active group yet
        {"[CreateGroup(\"Alpha\",0)]", true},
        {"[CreateGroup(Beta)]", true},
        {"[AddItem(B1.EXE,\"B one\")]", true},
        {"[ShowGroup(\"alpha\",1)]", true},
        {"[AddItem(\"A1.EXE\",\"A one\")]", true},
        {"[ShowGroup(Beta,7)]", true},  // shown without activating
        {"[AddItem(A2.EXE,A two)]", true},
        {"[CreateGroup(\"BETA\",0)]", true},  // an existing group is activated, not made again
        {"[AddItem(C:\\BIN\\B2.EXE)]", true},   // no caption: named after the program
        {"[DeleteItem(\"b one\")]", true},
        {"[DeleteItem(\"b one\")]", false},
        {"[ShowGroup(Gamma,1)]", false},
        {"[ShowGroup(Alpha,9)]", false},
        {"[DeleteGroup(\"Gamma\",0)]", false},
        {"[Frobnicate(1)]", false},
        {"[CreateGroup(\"Unclosed\",0)", false},
        {"CreateGroup(Bare)", false},
        {"", false},
        {"  [ CreateGroup ( \"Gamma\" , 0 ) ]  ", true},
        {"[DeleteGroup(\"gamma\",0)]", true},
        {"[AddItem(G.EXE,G)]", false},  // the active group was the one deleted
    };
    for (const Step& step : steps) {
        EXPECT_EQ(Execute(conversation, step.command), step.ok) << step.command;
        UINT expected = step.ok ? DMLERR_NO_ERROR : DMLERR_NOTPROCESSED;
        EXPECT_EQ(DdeGetLastError(instance_), expected) << step.command;
        EXPECT_EQ(DdeGetLastError(instance_), (UINT)DMLERR_NO_ERROR) << step.command;  // read once, then reset
    }
    EXPECT_EQ(Groups(), (std::vector<std::string>{"スタートアップ:", "Alpha: A one=A1.EXE; A two=A2.EXE;",
                                                  "Beta: B2=C:\\BIN\\B2.EXE;"}));
    EXPECT_NE(Transcript().find(u8"dde \"[Frobnicate(1)]\" result=failed\n"), std::string::npos) << Transcript();
}

TEST_F(DdeTest, OneExecuteRunsItsCommandsInOrderUpToTheFirstFailure) {
    HCONV conversation = Connect();
    ASSERT_NE(conversation, nullptr);
    // Quoted arguments hold commas, brackets and parentheses; a double-byte
    // character whose second byte is ']' or '[' (ゾ, ゼ) ends nothing.
    EXPECT_TRUE(Execute(conversation, "[CreateGroup(ゾゼ)][AddItem(\"C:\\A,B\\X.EXE /q\",\"X [new] (ゾ)\")]"));
    EXPECT_FALSE(Execute(conversation, "[CreateGroup(Two)][Bogus()][AddItem(Y.EXE,Y)]"));
    EXPECT_EQ(Groups(),
              (std::vector<std::string>{"スタートアップ:", "ゾゼ: X [new] (ゾ)=C:\\A,B\\X.EXE /q;", "Two:"}));
}

TEST_F(DdeTest, ProgramManagersOwnStartupGroupIsThereUntilDeleted) {
    HCONV conversation = Connect();
    ASSERT_NE(conversation, nullptr);
    EXPECT_EQ(Groups(), (std::vector<std::string>{"スタートアップ:"}));
    EXPECT_TRUE(Execute(conversation, "[ShowGroup(\"スタートアップ\",1)]"));
    EXPECT_TRUE(Execute(conversation, "[AddItem(\"C:\\PROGRA~1\\HYOKEI\\HYOKEI.EXE\",\"表計算\")]"));
    EXPECT_TRUE(Execute(conversation, "[CreateGroup(\"表計算\",0)]"));
    EXPECT_TRUE(Execute(conversation, "[ShowGroup(\"スタートアップ\",1)]"));
    EXPECT_TRUE(Execute(conversation, "[DeleteItem(\"表計算\")]"));
    EXPECT_FALSE(Execute(conversation, "[DeleteItem(\"表計算\")]"));
    EXPECT_EQ(Groups(), (std::vector<std::string>{"スタートアップ:", "表計算:"}));
    // Once deleted it is a group like any other that is not there: showing
    // it fails, and it is not made again.
    EXPECT_TRUE(Execute(conversation, "[DeleteGroup(\"スタートアップ\",0)]"));
    EXPECT_FALSE(Execute(conversation, "[ShowGroup(\"スタートアップ\",1)]"));
    EXPECT_FALSE(Execute(conversation, "[DeleteGroup(\"スタートアップ\",0)]"));
    EXPECT_EQ(Groups(), (std::vector<std::string>{"表計算:"}));
}

TEST_F(DdeTest, NoConversationWithoutProgramManager) {
    struct Case {
        bool progman;
        const char* service;
        const char* topic;
    } cases[] = {
        {false, "PROGMAN", "PROGMAN"},
        {true, "PROGMAN", "Groups"},
        {true, "Excel", "PROGMAN"},
    };
    for (const Case& c : cases) {
        host::Config().progman = c.progman;
        ASSERT_TRUE(host::SaveConfig());
        EXPECT_EQ(Connect(c.service, c.topic), nullptr) << c.service << " " << c.topic;
        EXPECT_EQ(DdeGetLastError(instance_), (UINT)DMLERR_NO_CONV_ESTABLISHED) << c.service << " " << c.topic;
    }
    EXPECT_EQ(Transcript(), "");
    EXPECT_EQ(Groups(), (std::vector<std::string>{"スタートアップ:"}));
}

TEST_F(DdeTest, ReinitialisingKeepsTheInstanceAndItsConversations) {
    HCONV conversation = Connect();
    ASSERT_NE(conversation, nullptr);
    DWORD id = instance_;
    EXPECT_EQ(DdeInitializeA(&id, RecordingCallback, APPCMD_CLIENTONLY, 0), (UINT)DMLERR_NO_ERROR);
    EXPECT_EQ(id, instance_);
    EXPECT_TRUE(Execute(conversation, "[CreateGroup(Kept)]"));

    DWORD other = 0;
    ASSERT_EQ(DdeInitializeA(&other, RecordingCallback, APPCMD_CLIENTONLY, 0), (UINT)DMLERR_NO_ERROR);
    EXPECT_NE(other, instance_);
    EXPECT_TRUE(DdeUninitialize(other));
    DWORD gone = other;
    EXPECT_EQ(DdeInitializeA(&gone, RecordingCallback, APPCMD_CLIENTONLY, 0), (UINT)DMLERR_INVALIDPARAMETER);
    EXPECT_EQ(DdeCreateStringHandleA(other, "PROGMAN", CP_WINANSI), nullptr);
    EXPECT_EQ(DdeGetLastError(other), (UINT)DMLERR_DLL_NOT_INITIALIZED);

    // Uninitialising ends the instance's conversations.
    EXPECT_TRUE(DdeUninitialize(instance_));
    EXPECT_FALSE(Execute(conversation, "[CreateGroup(Late)]"));
    EXPECT_FALSE(DdeDisconnect(conversation));
    instance_ = 0;
    EXPECT_EQ(Groups(), (std::vector<std::string>{"スタートアップ:", "Kept:"}));
    EXPECT_TRUE(gCallbackTypes.empty());
}

TEST_F(DdeTest, OverlongAndFreedStringHandlesAreRefused) {
    std::string longName(256, 'A');
    EXPECT_EQ(DdeCreateStringHandleA(instance_, longName.c_str(), CP_WINANSI), nullptr);
    EXPECT_EQ(DdeGetLastError(instance_), (UINT)DMLERR_INVALIDPARAMETER);
    HSZ name = DdeCreateStringHandleA(instance_, "PROGMAN", CP_WINANSI);
    ASSERT_NE(name, nullptr);
    EXPECT_TRUE(DdeFreeStringHandle(instance_, name));
    EXPECT_FALSE(DdeFreeStringHandle(instance_, name));  // already freed
    EXPECT_EQ(DdeConnect(instance_, name, name, nullptr), nullptr);
    EXPECT_EQ(DdeGetLastError(instance_), (UINT)DMLERR_INVALIDPARAMETER);
}
