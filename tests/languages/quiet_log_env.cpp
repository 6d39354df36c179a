// The generators called directly log as they work: send this program's log
// and dump to a scratch directory instead of /var/log/cups.
#include <gtest/gtest.h>

#include <memory>

#include "base/debug_log.h"
#include "base/log_files.h"
#include "tests/toolkit/toolkit.h"

namespace {

class QuietLogEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        dir_ = std::make_unique<kvtest::TempDir>();
        setDebugLogDirectory(dir_->path().c_str());
    }
    void TearDown() override {
        closeDebugLog();
        dir_.reset();
    }

private:
    std::unique_ptr<kvtest::TempDir> dir_;
};

const auto* const kQuietLogs = ::testing::AddGlobalTestEnvironment(new QuietLogEnvironment);

}  // namespace
