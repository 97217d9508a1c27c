#include "tests/privileged/QtTestSupport.h"

#include "shared/base/FixedPaths.h"

namespace tarvex::testing {

namespace {
int argc = 1;
char programName[] = "privileged_tests";
char* argv[] = {programName, nullptr};
}  // namespace

void QtAppTest::SetUp() {
    app_ = std::make_unique<QCoreApplication>(argc, argv);
    ASSERT_TRUE(tempDir_.isValid());
}

void QtAppTest::TearDown() {
    app_.reset();
    relocateFixedPaths("");
}

std::string QtAppTest::tempPath(const std::string& name) const {
    return tempDir_.filePath(QString::fromStdString(name)).toStdString();
}

}  // namespace tarvex::testing
