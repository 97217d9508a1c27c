#include "tests/monitor/privileged/QtTestSupport.h"

#include "shared/base/FixedPaths.h"

namespace tarvex::testing {

namespace {
int argc = 1;
char programName[] = "privileged_tests";
char* argv[] = {programName, nullptr};
}  // namespace

void QtAppTest::SetUp() {
    app_ = std::make_unique<QCoreApplication>(argc, argv);
    ASSERT_TRUE(temp_.valid());
}

void QtAppTest::TearDown() {
    app_.reset();
    relocateFixedPaths("");
}

}  // namespace tarvex::testing
