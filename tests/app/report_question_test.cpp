// zol5300 report: the whole-school question guards paper, so only --print asks it.
#include <gtest/gtest.h>

#include <fstream>

#include "support/run_capture.h"
#include "support/sample_db.h"

namespace zol::test {
namespace {

TEST(ReportQuestion, OnlyPrintAsksAndAPdfIsWrittenUnasked) {
    const SamplePackage pkg(40, 2);
    const std::string day = newest_tranday(pkg.db());
    const std::string pdf = (pkg.base() / "whole.pdf").string();
    const RunOutput asked =
        run_captured({"report", pkg.base().string(), "--tranday", day, "--print"});
    EXPECT_EQ(asked.code, 3);
    EXPECT_NE(asked.err.find("你 要 顯 示 全 校 名 冊 嗎?"), std::string::npos) << asked.err;
    const RunOutput written =
        run_captured({"report", pkg.base().string(), "--tranday", day, "--pdf", pdf});
    EXPECT_EQ(written.code, 0) << written.err;
    std::string head(5, '\0');
    std::ifstream(pdf, std::ios::binary).read(head.data(), 5);
    EXPECT_EQ(head, "%PDF-");
}

}  // namespace
}  // namespace zol::test
