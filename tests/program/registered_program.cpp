// What every program test starts from: the setup program registered with the
// host, and the program's state as a new process has it.
#include <gtest/gtest.h>

#include "app/setup_state.h"
#include "setup_program.h"

namespace {

class FreshProgramState : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { setup = SetupState(); }
};

[[maybe_unused]] const bool kRegistered = [] {
    program_host::RegisterSetupProgram();
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshProgramState);
    return true;
}();

}  // namespace
