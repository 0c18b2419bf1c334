// A realistic Sogou export and what the Kestrix IME must receive from it.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct TransferFixture {
    std::vector<std::wstring> exportLines;
    int entryCount = 0;     // lines that parse as entries
    int acceptedCount = 0;  // entries the Kestrix file takes
    std::wstring expectedImport;
};

const TransferFixture& RealisticExport();

// 成功从搜狗拼音输入法向Kestrix拼音输入法导入 <count> 条词条\n
std::wstring ExpectedResultText(int count);

}  // namespace testsupport
