// KyrCCreateArgFile: writes the host profile argument files (REGEDIT4 text) into the
// product's root folder at install, and deletes them at removal.
#include <string>

#include "foundation/action.h"
#include "foundation/file_utils.h"
#include "foundation/session.h"
#include "host/regedit_text.h"

namespace {

const DWORD kArgCapacity = 1024;
const char kHostUserKey[] = "[HKEY_CURRENT_USER\\Software\\Quorvel\\Draxon\\";

struct ArgFileInput {
  std::string release, productKey, root, commonFiles, profile, productFile, orlaFile;
};

ArgFileInput ReadInput(MSIHANDLE session) {
  ArgFileInput in;
  in.release = GetProperty(session, "DRXNVERSION", kArgCapacity);
  in.productKey = GetProperty(session, "DRXNCOOKIE", kArgCapacity);
  in.root = GetProperty(session, "KYRROOTPATH", kArgCapacity);
  in.commonFiles = GetProperty(session, "CommonFilesFolder", kArgCapacity);
  in.profile = GetProperty(session, "KYRPROFILENAME", kArgCapacity);
  in.productFile = GetProperty(session, "KYRARGFILE", kArgCapacity);
  in.orlaFile = GetProperty(session, "KYRORLAARGFILE", kArgCapacity);
  return in;
}

// The "DRXN" value: the shared folder, then the root and four folders below it.
std::string FolderList(const ArgFileInput& in) {
  std::string shared = DoubledBackslashes(in.commonFiles + "Quorvel Shared");
  std::string root = DoubledBackslashes(in.root);
  return "\"" + shared + ";" + root + ";" + root + "Support;" + root + "Fonts;" + root + "Help;" +
         root + "Quillet;\"";
}

std::string ProductFileText(const ArgFileInput& in) {
  std::string p = kHostUserKey + in.release + "\\" + in.productKey + "\\Profiles\\" + in.profile;
  return "REGEDIT4\r\n"
         "\r\n" +
         p + "]\r\n" + "\"\"=\"NolvaDevelopmentDesktop\"\r\n" + p + "\\General]\r\n" +
         "\"DRXN\"=" + FolderList(in) + "\r\n" +
         "\"NoStartUpDialog\"=dword:00000000\r\n"
         "\r\n" +
         p + "\\Preferences\\KyrBase]\r\n" +
         "\"DwgSetupDoLispVars\"=dword:00000000\r\n"
         "\r\n" +
         p + "\\NolvaDevelopmentDesktop]\r\n" +
         "\"AutoLoadMenu\"=\"1\"\r\n"
         "\r\n" +
         kHostUserKey + in.release + "\\" + in.productKey +
         "\\FixedProfile\\Editor Configuration]\r\n" +
         "\"UCSOrtho\"=dword:00000000\r\n"
         "\r\n";
}

std::string OrlaFileText(const ArgFileInput& in) {
  std::string o = kHostUserKey + in.release + "\\" + in.productKey + "\\Profiles\\Orla";
  return "REGEDIT4\r\n"
         "\r\n" +
         o + "\\General]\r\n" + "\"DRXN\"=" + FolderList(in) + "\r\n" + "\r\n" + o +
         "\\NolvaDevelopmentDesktop]\r\n" +
         "\"AutoLoadMenu\"=\"1\"\r\n"
         "\r\n";
}

// Adds the text after what the file holds, creating it when missing. A file that cannot
// be opened is passed over: nothing is written anywhere else.
void AppendToFile(const std::string& path, const std::string& text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  if (SetFilePointer(file, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER)
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

CUSTOM_ACTION KyrCCreateArgFile(MSIHANDLE session) {
  return GuardAction(ERROR_SUCCESS, [&] {
    ArgFileInput in = ReadInput(session);
    if (!DirectoryExists(in.root.c_str())) {
      MessageBoxA(
          nullptr,
          "Install Directory not created yet.\nCreate it yourself and press OK to continue.",
          "KyrCMsiExt", MB_OK);
    }
    std::string productPath = in.root + in.productFile;
    std::string orlaPath = in.root + in.orlaFile;
    if (GetProperty(session, "REMOVE", kArgCapacity) == "ALL") {
      DeleteFileA(productPath.c_str());
      DeleteFileA(orlaPath.c_str());
      return kActionSuccess;
    }
    AppendToFile(productPath, ProductFileText(in));
    AppendToFile(orlaPath, OrlaFileText(in));
    return kActionSuccess;
  });
}
