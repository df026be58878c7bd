// The report tests' fixture (result sets in memory -> the real report writer), built into
// this test binary too so that printing is tested on the writer's own files.
#include "report/report_fixture.cpp"  // NOLINT(bugprone-suspicious-include)
