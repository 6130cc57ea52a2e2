#pragma once

// The security of the install folder, as the installer gives it to the
// folder it installs into, whatever folder was chosen (the build passes it to
// makensis): owned by the administrators; SYSTEM and the administrators may
// do anything, the users read and run; nothing inherited from the folder
// above, where users may be allowed to write. The ACL of Program Files, in
// short.
constexpr wchar_t kInstallFolderSecurity[] = L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
