// Stand-in until the layout store and layout file land; replaced by them.
#include "layout/LayoutFile.h"
#include "layout/LayoutStore.h"

bool IsValidLayoutName(const wchar_t* name) { return name && *name && !wcschr(name, L'\\'); }
SaveResult SaveLayout(const CLayoutFlavor&, const wchar_t*, CLayoutCapture&, int* written) { if (written) *written = 0; return SaveResult::StoreFailed; }
int ReadLayout(const CLayoutFlavor&, const wchar_t*, const CDisplayConfig&, bool, CIconRecordArray& records, bool*) { records.clear(); return 0; }
std::vector<CWideString> ListLayouts(const CLayoutFlavor&) { return {}; }
bool DeleteLayout(const CLayoutFlavor&, const wchar_t*) { return false; }
bool IsOldIconKeyName(const wchar_t*) { return false; }
bool RemoveOldIconKey(const CLayoutFlavor&, const wchar_t*) { return false; }
FileSaveResult SaveLayoutFile(const CLayoutFlavor&, const wchar_t*, CLayoutCapture&, int* written) { if (written) *written = 0; return FileSaveResult::CannotCreate; }
bool ReadLayoutFile(const wchar_t*, const CDisplayConfig&, CIconRecordArray& records, bool*) { records.clear(); return false; }
