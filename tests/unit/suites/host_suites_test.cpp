#include "host_suites.h"

#include <gtest/gtest.h>

#include "host_core.h"

namespace plenorium {
namespace {

using host::CallScope;
using host::HostCore;

class HostSuitesTest : public ::testing::Test {
 protected:
  int acquired(const char* name, int version) { return core.suites().acquisitions(name, version); }
  int released(const char* name, int version) { return core.suites().releases(name, version); }

  HostCore core;
  CallScope scope{core, PF_Cmd_SEQUENCE_SETUP};
};

TEST_F(HostSuitesTest, NoBasicSuiteRaisesTheMissingSuiteError) {
  try {
    HostSuites suites(nullptr);
    FAIL() << "no error raised";
  } catch (const MissingSuite& e) {
    EXPECT_EQ(e.code, PF_Err_BAD_CALLBACK_PARAM);
  }
}

TEST_F(HostSuitesTest, AcquiresOnFirstUseOnlyAndReleasesOnceAtTheEnd) {
  {
    HostSuites suites(core.basicSuite());
    EXPECT_EQ(acquired(kPFHandleSuite, 2), 0);
    const auto* first = suites.handleSuite2();
    const auto* second = suites.handleSuite2();
    EXPECT_EQ(first, second);
    EXPECT_EQ(acquired(kPFHandleSuite, 2), 1);
    EXPECT_EQ(released(kPFHandleSuite, 2), 0);
  }
  EXPECT_EQ(released(kPFHandleSuite, 2), 1);
  EXPECT_TRUE(core.accounting().imbalanceReport().empty());
}

TEST_F(HostSuitesTest, TwoVersionsOfOneSuiteAreTwoSlots) {
  struct OneSlot {
    void (*slot)();
  };
  static const OneSlot table{+[] {}};
  core.suites().provide(kAEGPStreamSuite, 7, &table);
  core.suites().provide(kAEGPStreamSuite, 9, &table);
  {
    HostSuites suites(core.basicSuite());
    suites.streamSuite7();
    suites.streamSuite9();
    suites.streamSuite9();
  }
  EXPECT_EQ(acquired(kAEGPStreamSuite, 7), 1);
  EXPECT_EQ(acquired(kAEGPStreamSuite, 9), 1);
  EXPECT_EQ(released(kAEGPStreamSuite, 7), 1);
  EXPECT_EQ(released(kAEGPStreamSuite, 9), 1);
}

TEST_F(HostSuitesTest, ALaterFailureReleasesEarlierSuitesExactlyOnce) {
  core.suites().refuse(kAEGPUtilitySuite, 7);
  EXPECT_THROW(
      {
        HostSuites suites(core.basicSuite());
        suites.handleSuite2();
        suites.ansiSuite1();
        suites.utilitySuite7();
      },
      MissingSuite);
  EXPECT_EQ(released(kPFHandleSuite, 2), 1);
  EXPECT_EQ(released(kPFANSISuite, 1), 1);
  EXPECT_EQ(released(kAEGPUtilitySuite, 7), 0);
  EXPECT_TRUE(core.accounting().imbalanceReport().empty());
}

TEST_F(HostSuitesTest, ANullTableReportedAsSuccessIsAMissingSuite) {
  core.suites().handNull(kPFANSISuite, 1);
  {
    HostSuites suites(core.basicSuite());
    EXPECT_THROW(suites.ansiSuite1(), MissingSuite);
    // The object stays usable and the failed slot is not released.
    EXPECT_NE(suites.handleSuite2(), nullptr);
  }
  EXPECT_EQ(released(kPFANSISuite, 1), 0);
  EXPECT_TRUE(core.accounting().imbalanceReport().empty());
}

TEST_F(HostSuitesTest, EverySuitePairHasItsOwnNameAndVersion) {
  for (std::size_t i = 0; i < static_cast<std::size_t>(SuiteId::COUNT); ++i) {
    for (std::size_t j = i + 1; j < static_cast<std::size_t>(SuiteId::COUNT); ++j) {
      const SuiteName a = suiteName(static_cast<SuiteId>(i));
      const SuiteName b = suiteName(static_cast<SuiteId>(j));
      EXPECT_FALSE(std::string(a.name) == b.name && a.version == b.version) << a.name << " v" << a.version;
    }
  }
}

}  // namespace
}  // namespace plenorium
