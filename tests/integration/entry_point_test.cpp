// The effect's entry point as the host meets it: loaded from the built module file, driven by the
// host core.
#include <cstdio>
#include <cstring>
#include <string>

#include "AE_EffectSuites.h"
#include "AE_GeneralPlug.h"
#include "PiPL.h"
#include "effect_fixture.h"
#include "host_error.h"
#include "module_file.h"

namespace plenorium::test {
namespace {

constexpr int SELECTION_METHOD_INDEX = 2;

struct GlobalRecord {  // the start of the effect's global record, as the host sees its bytes
  AEGP_PluginID pluginId;
  char pluginPath[AEFX_MAX_PATH];
  AEGP_WorldH frames[9][3];
};

using EntryPoint = EffectFixture;

TEST_F(EntryPoint, TheDescriptorIsReadFromTheModuleFileBeforeAnyCodeRuns) {
  const host::PluginDescriptor& d = module->descriptor();
  EXPECT_EQ(d.kind, PIPL_KIND_AE_EFFECT);
  EXPECT_EQ(d.name, "Plenorium Maker");
  EXPECT_EQ(d.category, "Quorvix");
  EXPECT_EQ(d.matchName, "KTRM_Plenorium");
  EXPECT_EQ(d.entryPoint, "EntryPointFunc");
  EXPECT_EQ(d.version, 0x00080012u);
  EXPECT_EQ(d.properties.size(), 12u);
  EXPECT_EQ(totalAcquisitions(), 0) << "reading the descriptor must not call the module";
}

TEST_F(EntryPoint, AboutGivesTheExactTwoLinesSeparatedByOneCarriageReturn) {
  PF_OutData out{};
  ASSERT_EQ(send(PF_Cmd_ABOUT, out), PF_Err_NONE);
  EXPECT_STREQ(out.return_msg, "Plenorium, v1.0\rbuild 0.0.18");
  EXPECT_EQ(driver->about(), "Plenorium, v1.0\nbuild 0.0.18");
  expectBalanced();
}

TEST_F(EntryPoint, GlobalSetupDeclaresVersionAndFlagsAndKeepsAnEmptyRecordUntilSetdown) {
  PF_OutData out{};
  ASSERT_EQ(send(PF_Cmd_GLOBAL_SETUP, out), PF_Err_NONE);
  EXPECT_EQ(out.my_version, 0x00080012u);
  EXPECT_EQ(static_cast<std::uint32_t>(out.out_flags), 0x06080003u);
  EXPECT_EQ(static_cast<std::uint32_t>(out.out_flags2), 0x00001408u);
  ASSERT_NE(out.global_data, nullptr);
  EXPECT_EQ(driver->inData().global_data, out.global_data) << "set-up also hands the record to in_data";
  EXPECT_EQ(core->handles().lockCount(out.global_data), 0) << "the handle is unlocked again";
  EXPECT_EQ(core->handles().size(out.global_data), sizeof(GlobalRecord));

  const auto* record = static_cast<const GlobalRecord*>(*out.global_data);
  EXPECT_EQ(record->pluginId, 1);
  EXPECT_EQ(std::string(record->pluginPath), module->path());
  // The host does not clear new handles; every world in the record must be one the host made.
  for (const auto& frame : record->frames) {
    for (AEGP_WorldH world : frame) EXPECT_TRUE(world == nullptr || pixels->find(world) != nullptr);
  }

  PF_OutData down{};
  EXPECT_EQ(send(PF_Cmd_GLOBAL_SETDOWN, down), PF_Err_NONE);
  EXPECT_EQ(core->handles().live(), 0u);
  expectBalanced();
}

TEST_F(EntryPoint, TheDriverChecksGlobalSetupAgainstTheDescriptor) {
  EXPECT_NO_THROW(driver->globalSetup());
  EXPECT_EQ(driver->globalSetdown(), PF_Err_NONE);
  EXPECT_EQ(core->handles().live(), 0u);
  expectBalanced();
}

TEST_F(EntryPoint, GlobalSetupReportsAHandleItCannotLockAndLeavesNothingBehind) {
  core->handles().failLocks(true);
  PF_OutData out{};
  EXPECT_NE(send(PF_Cmd_GLOBAL_SETUP, out), PF_Err_NONE);
  EXPECT_EQ(out.global_data, nullptr);
  EXPECT_EQ(core->handles().live(), 0u);
  expectBalanced();
}

TEST_F(EntryPoint, AFailedPluginIdRequestReturnsItsErrorAndHandsOutNoRecord) {
  core->failRegistration(A_Err_STRUCT);
  PF_OutData out{};
  EXPECT_EQ(send(PF_Cmd_GLOBAL_SETUP, out), A_Err_STRUCT);
  EXPECT_EQ(out.global_data, nullptr);
  EXPECT_EQ(core->handles().live(), 0u);
  expectBalanced();
}

TEST_F(EntryPoint, AMissingSuiteDuringGlobalSetupGives516AndReleasesWhatWasAcquired) {
  core->suites().refuse(kAEGPUtilitySuite, 7);
  PF_OutData out{};
  EXPECT_EQ(send(PF_Cmd_GLOBAL_SETUP, out), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(acquisitions(kPFHandleSuite, 2), 1);
  EXPECT_EQ(core->suites().releases(kPFHandleSuite, 2), 1);
  EXPECT_EQ(core->handles().live(), 0u) << "the new handle is disposed on the way out";
  expectBalanced();
}

TEST_F(EntryPoint, ANullSuiteTableGives516) {
  core->suites().handNull(kPFANSISuite, 1);
  PF_OutData out{};
  EXPECT_EQ(send(PF_Cmd_ABOUT, out), PF_Err_BAD_CALLBACK_PARAM);
  expectBalanced();
}

TEST_F(EntryPoint, WithoutABasicSuiteEveryHandlerThatUsesOneReturns516) {
  driver->inData().pica_basicP = nullptr;
  PF_UserChangedParamExtra changed{SELECTION_METHOD_INDEX};
  for (PF_Cmd cmd :
       {PF_Cmd_ABOUT, PF_Cmd_GLOBAL_SETUP, PF_Cmd_GLOBAL_SETDOWN, PF_Cmd_PARAMS_SETUP, PF_Cmd_SEQUENCE_SETUP,
        PF_Cmd_UPDATE_PARAMS_UI, PF_Cmd_SMART_PRE_RENDER, PF_Cmd_SMART_RENDER, PF_Cmd_USER_CHANGED_PARAM}) {
    PF_OutData out{};
    EXPECT_EQ(send(cmd, out, cmd == PF_Cmd_USER_CHANGED_PARAM ? &changed : nullptr), PF_Err_BAD_CALLBACK_PARAM)
        << "command " << cmd;
  }
  PF_OutData out{};
  EXPECT_EQ(send(PF_Cmd_SEQUENCE_SETDOWN, out), PF_Err_NONE);
  PF_UserChangedParamExtra other{26};
  EXPECT_EQ(send(PF_Cmd_USER_CHANGED_PARAM, out, &other), PF_Err_NONE);
  EXPECT_EQ(send(PF_Cmd_RENDER, out), PF_Err_NONE);
}

TEST_F(EntryPoint, CommandsWithoutAHandlerDoNothing) {
  for (PF_Cmd cmd : {2, 6, 7, 9, 10, 11, 12, 15, 16, 17, 18, 19, 20, 21, 22, 25, 26, 33, 1000, -1}) {
    PF_OutData out;
    std::memset(&out, 0x5A, sizeof(out));
    PF_OutData before = out;
    EXPECT_EQ(send(cmd, out), PF_Err_NONE) << "command " << cmd;
    EXPECT_EQ(std::memcmp(&out, &before, sizeof(out)), 0) << "command " << cmd << " wrote its out record";
  }
  EXPECT_EQ(totalAcquisitions(), 0);
}

TEST_F(EntryPoint, UserChangedParamRunsTheUpkeepOnlyForTheSelectionMethod) {
  PF_OutData out{};
  PF_UserChangedParamExtra other{26};
  EXPECT_EQ(send(PF_Cmd_USER_CHANGED_PARAM, out, &other), PF_Err_NONE);
  EXPECT_EQ(totalAcquisitions(), 0) << "the upkeep must not run for another control";
}

TEST_F(EntryPoint, SequenceSetdownDisposesOnlyWhatTheHostHandsBack) {
  PF_OutData out{};
  out.sequence_data = reinterpret_cast<PF_Handle>(0x1234);
  EXPECT_EQ(send(PF_Cmd_SEQUENCE_SETDOWN, out), PF_Err_NONE);
  EXPECT_EQ(out.sequence_data, reinterpret_cast<PF_Handle>(0x1234)) << "nothing to dispose: nothing written";

  {
    host::CallScope scope(*core, PF_Cmd_SEQUENCE_SETUP);
    driver->inData().sequence_data = core->utils()->host_new_handle(8);
  }
  EXPECT_EQ(send(PF_Cmd_SEQUENCE_SETDOWN, out), PF_Err_NONE);
  EXPECT_EQ(out.sequence_data, nullptr);
  EXPECT_EQ(core->handles().live(), 0u);
  driver->inData().sequence_data = nullptr;

  EXPECT_EQ(send(PF_Cmd_SEQUENCE_SETUP, out), PF_Err_NONE);
  EXPECT_EQ(out.sequence_data, nullptr) << "the effect keeps no per-instance data";
  expectBalanced();
}

TEST_F(EntryPoint, GlobalSetdownWithoutGlobalDataDisposesNothing) {
  PF_OutData out{};
  EXPECT_EQ(send(PF_Cmd_GLOBAL_SETDOWN, out), PF_Err_NONE);
  EXPECT_EQ(core->suites().acquisitions(kAEGPWorldSuite, 3), 0);
  expectBalanced();
}

TEST(EffectModule, AFileThatIsNotAnEffectModuleIsRefusedWithAClearMessage) {
  try {
    host::PluginModule bogus("/proc/self/exe");
    FAIL() << "an executable without a descriptor was accepted";
  } catch (const host::HostError& e) {
    EXPECT_NE(std::string(e.what()).find("descriptor"), std::string::npos) << e.what();
  }
  EXPECT_THROW(host::PluginModule("/no/such/Plenorium.aex"), host::HostError);
}

std::string runCommand(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[256];
  while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr) output += buffer;
  pclose(pipe);
  return output;
}

TEST(Command, AboutPrintsTheTwoLinesAndVersionPrintsTheHostVersion) {
  EXPECT_EQ(runCommand(std::string(PLENORIUM_CLI_PATH) + " about 2>&1"), "Plenorium, v1.0\nbuild 0.0.18\n");
  EXPECT_EQ(runCommand(std::string(PLENORIUM_CLI_PATH) + " --version 2>&1").rfind("plenorium ", 0), 0u);
}

}  // namespace
}  // namespace plenorium::test
