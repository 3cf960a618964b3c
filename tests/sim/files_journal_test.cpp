// The change journal: what a run changed, undone to the byte, also after the process that
// made the changes was killed.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "sim/files_tree.h"

namespace winsim::detail {
// The files part's test hook: the process ends right after that many more journal records.
void StopAfterJournalRecords(std::size_t count);
}  // namespace winsim::detail

namespace {

using winsim::FileChange;

const char* KindName(FileChange::Kind kind) {
  switch (kind) {
    case FileChange::Kind::Created:
      return "Created";
    case FileChange::Kind::Changed:
      return "Changed";
    case FileChange::Kind::Deleted:
      return "Deleted";
    case FileChange::Kind::Moved:
      return "Moved";
    case FileChange::Kind::FolderCreated:
      return "FolderCreated";
    case FileChange::Kind::FolderRemoved:
      return "FolderRemoved";
    case FileChange::Kind::Attributes:
      return "Attributes";
  }
  return "?";
}

HANDLE Open(const std::string& path, DWORD disposition) {
  return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, 0, nullptr);
}

bool Write(const std::string& path, const std::string& text, DWORD disposition = CREATE_ALWAYS) {
  HANDLE file = Open(path, disposition);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  return CloseHandle(file) && ok;
}

class Journal : public kit::MachineTest {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(other);
    winsim::MapDrive('D', other);
  }

  // The tree every case starts from.
  void Build() {
    kit::RemoveTree(folder.path());
    kit::RemoveTree("D:\\x.txt");
    kit::RemoveTree("D:\\a.txt");
    kit::RemoveTree("D:\\ro.txt");
    kit::MakeFolder(folder / "Sub\\Deep");
    kit::MakeFolder(folder / "Empty");
    kit::WriteFile(folder / "a.txt", "alpha");
    kit::WriteFile(folder / "b.txt", "beta");
    kit::WriteFile(folder / "ro.txt", "ro");
    kit::WriteFile(folder / "Sub\\c.txt", "gamma");
    kit::WriteFile(folder / "Sub\\Deep\\d.txt", "delta");
    kit::WriteFile("D:\\x.txt", "ex");
    SetFileAttributesA((folder / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((folder / "Sub").c_str(), FILE_ATTRIBUTE_HIDDEN);
  }

  // As a new process finds the machine: the folder cache empty, the attributes read back,
  // and first, when asked, a journal left behind undone.
  void Restart(bool recover = false) {
    const std::string attributes = winsim::ExportFileAttributes();
    winsim::Reset(root);
    winsim::MapDrive('D', other);
    std::string error;
    if (recover) {
      EXPECT_TRUE(winsim::RecoverFileJournal(journal, error)) << error;
      EXPECT_FALSE(std::filesystem::exists(journal));
      EXPECT_TRUE(winsim::RecoverFileJournal(journal, error)) << "nothing left to recover";
    }
    ASSERT_TRUE(winsim::ImportFileAttributes(attributes, error)) << error;
  }

  // Every file with its bytes, every folder, every attribute.
  std::string Snapshot() {
    std::string text = "C:\n" + files_tree::Text(files_tree::OnHost(winsim::DriveFolder('C')));
    const files_tree::Tree d = files_tree::OnHost(winsim::DriveFolder('D'));
    text += "D:\n" + files_tree::Text(d);
    for (const auto& entry : d)
      text += entry.first + " " +
              std::to_string(GetFileAttributesA(("D:\\" + entry.first).c_str())) + "\n";
    return text + "attributes:\n" + winsim::ExportFileAttributes();
  }

  std::string Describe(const std::vector<FileChange>& changes) const {
    auto path = [this](std::string p) {
      if (p.rfind(folder.path(), 0) == 0) p = "~" + p.substr(folder.path().size());
      return p;
    };
    std::string text;
    for (const FileChange& change : changes) {
      text += std::string(KindName(change.kind)) + " " + path(change.path);
      if (change.kind == FileChange::Kind::Moved) text += " from " + path(change.from);
      if (!change.originalHost.empty()) {
        const std::string bytes = files_tree::Read(change.originalHost);
        text += bytes.size() < 32 ? " was '" + bytes + "'" : " was <binary>";
      }
      if (change.kind == FileChange::Kind::Attributes)
        text += " " + std::to_string(change.oldAttributes) + "->" +
                std::to_string(change.newAttributes);
      text += "\n";
    }
    return text;
  }

  // Runs `work` in a child process that ends without ending its journal, as a killed
  // process does; true when the child ended where it was meant to.
  static bool InChild(const std::function<void()>& work) {
    std::fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
      work();
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  kit::ScratchFolder folder;
  const std::string root = files_tree::MachineRoot();
  const std::string other = root + "/other";
  const std::string journal = root + "/journal";
};

struct Case {
  const char* name;
  std::function<void(const std::string& f)> run;
  std::string changes;
  std::function<void(const std::string& f)> prepare = nullptr;
};

std::vector<Case> Cases() {
  const std::string package = "\\p.msi";
  return {
      {"create then write", [](const std::string& f) { Write(f + "\\new.txt", "n", CREATE_NEW); },
       "Created ~\\new.txt\n"},
      {"write a file", [](const std::string& f) { Write(f + "\\a.txt", "changed"); },
       "Changed ~\\a.txt was 'alpha'\n"},
      {"write the same bytes", [](const std::string& f) { Write(f + "\\A.TXT", "alpha"); },
       "Changed ~\\a.txt was 'alpha'\n"},
      {"write twice",
       [](const std::string& f) {
         Write(f + "\\a.txt", "1");
         Write(f + "\\a.txt", "22", OPEN_EXISTING);
       },
       "Changed ~\\a.txt was 'alpha'\n"},
      {"delete", [](const std::string& f) { DeleteFileA((f + "\\B.TXT").c_str()); },
       "Deleted ~\\b.txt was 'beta'\n"},
      {"move",
       [](const std::string& f) {
         MoveFileA((f + "\\a.txt").c_str(), (f + "\\Sub\\a2.txt").c_str());
       },
       "Moved ~\\Sub\\a2.txt from ~\\a.txt\n"},
      {"move over a file",
       [](const std::string& f) {
         MoveFileExA((f + "\\a.txt").c_str(), (f + "\\b.txt").c_str(), MOVEFILE_REPLACE_EXISTING);
       },
       "Moved ~\\b.txt from ~\\a.txt was 'beta'\n"},
      {"create then delete",
       [](const std::string& f) {
         Write(f + "\\new.txt", "n");
         DeleteFileA((f + "\\new.txt").c_str());
       },
       ""},
      {"folders",
       [](const std::string& f) {
         CreateDirectoryA((f + "\\New").c_str(), nullptr);
         RemoveDirectoryA((f + "\\Empty").c_str());
       },
       "FolderCreated ~\\New\nFolderRemoved ~\\Empty\n"},
      {"attributes",
       [](const std::string& f) {
         SetFileAttributesA((f + "\\a.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
       },
       "Attributes ~\\a.txt 32->2\n"},
      {"a moved folder and a file written in it",
       [](const std::string& f) {
         MoveFileA((f + "\\Sub").c_str(), (f + "\\Moved").c_str());
         Write(f + "\\Moved\\c.txt", "new gamma");
         SetFileAttributesA((f + "\\Moved\\Deep\\d.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
       },
       "Moved ~\\Moved from ~\\Sub\nChanged ~\\Moved\\c.txt was 'gamma'\n"
       "Attributes ~\\Moved\\Deep\\d.txt 32->0\n"},
      {"a new spelling",
       [](const std::string& f) { MoveFileA((f + "\\a.txt").c_str(), (f + "\\A.TXT").c_str()); },
       "Moved ~\\A.TXT from ~\\a.txt\n"},
      {"moved along a chain",
       [](const std::string& f) {
         MoveFileA((f + "\\a.txt").c_str(), (f + "\\x.txt").c_str());
         MoveFileA((f + "\\x.txt").c_str(), (f + "\\Sub\\y.txt").c_str());
       },
       "Moved ~\\Sub\\y.txt from ~\\a.txt\n"},
      {"deleted and made again",
       [](const std::string& f) {
         DeleteFileA((f + "\\a.txt").c_str());
         Write(f + "\\a.txt", "again");
       },
       "Changed ~\\a.txt was 'alpha'\n"},
      {"moved away and back",
       [](const std::string& f) {
         MoveFileA((f + "\\a.txt").c_str(), (f + "\\x.txt").c_str());
         MoveFileA((f + "\\x.txt").c_str(), (f + "\\a.txt").c_str());
       },
       ""},
      {"deleted, another moved in its place",
       [](const std::string& f) {
         DeleteFileA((f + "\\a.txt").c_str());
         MoveFileA((f + "\\b.txt").c_str(), (f + "\\a.txt").c_str());
       },
       "Moved ~\\a.txt from ~\\b.txt was 'alpha'\n"},
      {"to another drive",
       [](const std::string& f) { MoveFileA((f + "\\a.txt").c_str(), "D:\\a.txt"); },
       "Moved D:\\a.txt from ~\\a.txt\n"},
      {"over a file on another drive",
       [](const std::string& f) {
         MoveFileExA((f + "\\b.txt").c_str(), "d:\\X.TXT",
                     MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING);
       },
       "Moved D:\\X.TXT from ~\\b.txt was 'ex'\n"},
      {"a read-only file copied to another drive",
       [](const std::string& f) { MoveFileA((f + "\\ro.txt").c_str(), "D:\\ro.txt"); },
       "Created D:\\ro.txt\n"},
      {"a folder emptied and removed",
       [](const std::string& f) {
         DeleteFileA((f + "\\Sub\\Deep\\d.txt").c_str());
         RemoveDirectoryA((f + "\\Sub\\Deep").c_str());
       },
       "Deleted ~\\Sub\\Deep\\d.txt was 'delta'\nFolderRemoved ~\\Sub\\Deep\n"},
      {"the installer writes a package",
       [package](const std::string& f) {
         kit::WritePackage(f + package, {kit::PropertyTable({{"ProductName", "J"}})});
       },
       "Created ~\\p.msi\n"},
      {"the installer commits to a package",
       [package](const std::string& f) {
         MSIHANDLE database = 0;
         MsiOpenDatabaseA((f + package).c_str(), MSIDBOPEN_TRANSACT, &database);
         MsiDatabaseCommit(database);
         MsiCloseHandle(database);
       },
       "Changed ~\\p.msi was <binary>\n",
       [package](const std::string& f) {
         kit::WritePackage(f + package, {kit::PropertyTable({{"ProductName", "J"}})});
       }},
      {"reading a package changes nothing",
       [package](const std::string& f) {
         MSIHANDLE database = 0, session = 0;
         MsiOpenDatabaseA((f + package).c_str(), MSIDBOPEN_TRANSACT, &database);
         MsiCloseHandle(database);
         MsiOpenPackageA((f + package).c_str(), &session);
         MsiCloseHandle(session);
       },
       "",
       [package](const std::string& f) {
         kit::WritePackage(f + package, {kit::PropertyTable({{"ProductName", "J"}})});
       }},
  };
}

TEST_F(Journal, EachSequenceIsListedAndUndoneToTheByte) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    Build();
    if (c.prepare) c.prepare(folder.path());
    Restart();
    const std::string before = Snapshot();
    std::string error;
    ASSERT_TRUE(winsim::BeginFileJournal(journal, error)) << error;
    c.run(folder.path());
    EXPECT_EQ(Describe(winsim::FileJournalChanges()), c.changes);
    ASSERT_TRUE(winsim::UndoFileJournal(error)) << error;
    EXPECT_EQ(Snapshot(), before);
    EXPECT_FALSE(std::filesystem::exists(journal));
    // What the machine answers now is what a new process reads.
    const std::string cached = files_tree::Text(files_tree::ThroughMachine(folder.path()));
    Restart();
    EXPECT_EQ(files_tree::Text(files_tree::ThroughMachine(folder.path())), cached);
  }
}

TEST_F(Journal, EachSequenceIsUndoneAfterItsProcessWasKilled) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    Build();
    if (c.prepare) c.prepare(folder.path());
    Restart();
    const std::string before = Snapshot();
    ASSERT_TRUE(InChild([&] {
      std::string error;
      if (!winsim::BeginFileJournal(journal, error)) _exit(2);
      c.run(folder.path());
    }));
    Restart(true);
    EXPECT_EQ(Snapshot(), before);
  }
}

// Killed between writing a record and making the change it records: the undo finds the
// change not made and passes over it.
TEST_F(Journal, AChangeRecordedButNeverMadeIsPassedOver) {
  struct Killed {
    const char* name;
    std::size_t records;  // the process ends after this many
    std::function<void(const std::string& f)> run;
  } cases[] = {
      {"delete", 1, [](const std::string& f) { DeleteFileA((f + "\\a.txt").c_str()); }},
      {"write", 1, [](const std::string& f) { Write(f + "\\a.txt", "x"); }},
      {"create", 1, [](const std::string& f) { Write(f + "\\new.txt", "x"); }},
      {"move", 1,
       [](const std::string& f) { MoveFileA((f + "\\a.txt").c_str(), (f + "\\x.txt").c_str()); }},
      {"move over a file, before the old file is taken", 1,
       [](const std::string& f) {
         MoveFileExA((f + "\\a.txt").c_str(), (f + "\\b.txt").c_str(), MOVEFILE_REPLACE_EXISTING);
       }},
      {"move over a file, before the move", 2,
       [](const std::string& f) {
         MoveFileExA((f + "\\a.txt").c_str(), (f + "\\b.txt").c_str(), MOVEFILE_REPLACE_EXISTING);
       }},
      {"to another drive, before the copy", 1,
       [](const std::string& f) { MoveFileA((f + "\\a.txt").c_str(), "D:\\a.txt"); }},
      {"to another drive, before the original goes", 2,
       [](const std::string& f) { MoveFileA((f + "\\a.txt").c_str(), "D:\\a.txt"); }},
      {"make a folder", 1,
       [](const std::string& f) { CreateDirectoryA((f + "\\New").c_str(), nullptr); }},
      {"remove a folder", 1,
       [](const std::string& f) { RemoveDirectoryA((f + "\\Empty").c_str()); }},
      {"attributes", 1,
       [](const std::string& f) {
         SetFileAttributesA((f + "\\a.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
       }},
      {"after other changes", 3,
       [](const std::string& f) {
         Write(f + "\\a.txt", "changed");
         DeleteFileA((f + "\\b.txt").c_str());
         MoveFileA((f + "\\Sub").c_str(), (f + "\\Moved").c_str());
       }},
  };
  for (const Killed& c : cases) {
    SCOPED_TRACE(c.name);
    Build();
    Restart();
    const std::string before = Snapshot();
    ASSERT_TRUE(InChild([&] {
      std::string error;
      if (!winsim::BeginFileJournal(journal, error)) _exit(2);
      winsim::detail::StopAfterJournalRecords(c.records);
      c.run(folder.path());
      _exit(3);  // the process should have ended inside
    }));
    Restart(true);
    EXPECT_EQ(Snapshot(), before);
  }
}

TEST_F(Journal, MarksStartSegmentsAndUndoGoesBackToTheBeginning) {
  Build();
  const std::string before = Snapshot();
  // A file open for writing across the marks can be written at any time.
  HANDLE held = Open(folder / "Sub\\c.txt", OPEN_EXISTING);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::string error;
  ASSERT_TRUE(winsim::BeginFileJournal(journal, error)) << error;
  DWORD written = 0;
  WriteFile(held, "G", 1, &written, nullptr);
  Write(folder / "a.txt", "one");
  Write(folder / "new.txt", "new");
  EXPECT_EQ(
      Describe(winsim::FileJournalChanges()),
      "Changed ~\\Sub\\c.txt was 'gamma'\nChanged ~\\a.txt was 'alpha'\nCreated ~\\new.txt\n");

  winsim::MarkFileJournal();
  EXPECT_EQ(Describe(winsim::FileJournalChanges()), "Changed ~\\Sub\\c.txt was 'Gamma'\n");
  WriteFile(held, "A", 1, &written, nullptr);
  CloseHandle(held);
  Write(folder / "a.txt", "two");
  DeleteFileA((folder / "new.txt").c_str());
  DeleteFileA((folder / "b.txt").c_str());
  EXPECT_EQ(Describe(winsim::FileJournalChanges()),
            "Changed ~\\Sub\\c.txt was 'Gamma'\nChanged ~\\a.txt was 'one'\n"
            "Deleted ~\\new.txt was 'new'\nDeleted ~\\b.txt was 'beta'\n");

  winsim::MarkFileJournal();
  EXPECT_EQ(Describe(winsim::FileJournalChanges()), "");
  ASSERT_TRUE(winsim::UndoFileJournal(error)) << error;
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(Journal, EndKeepsTheChanges) {
  Build();
  std::string error;
  ASSERT_TRUE(winsim::BeginFileJournal(journal, error)) << error;
  Write(folder / "a.txt", "kept");
  DeleteFileA((folder / "b.txt").c_str());
  ASSERT_TRUE(winsim::EndFileJournal(error)) << error;
  EXPECT_FALSE(std::filesystem::exists(journal));
  EXPECT_EQ(kit::ReadFile(folder / "a.txt"), "kept");
  EXPECT_FALSE(kit::FileExists(folder / "b.txt"));
  EXPECT_TRUE(winsim::FileJournalChanges().empty());
}

TEST_F(Journal, Refusals) {
  std::string error;
  EXPECT_FALSE(winsim::EndFileJournal(error));
  EXPECT_EQ(error, "no file journal is open");
  EXPECT_FALSE(winsim::UndoFileJournal(error));
  EXPECT_FALSE(winsim::BeginFileJournal(winsim::DriveFolder('C') + "/journal", error));
  EXPECT_EQ(error, "the journal folder must be outside the machine's drives: " +
                       winsim::DriveFolder('C') + "/journal");
  EXPECT_TRUE(winsim::RecoverFileJournal(journal, error)) << "no journal there";
  // Ending a journal removes its folder: one that holds anything else is refused.
  std::filesystem::create_directories(journal);
  std::ofstream(journal + "/keep.txt") << "keep";
  EXPECT_FALSE(winsim::BeginFileJournal(journal, error));
  EXPECT_EQ(error, "the journal folder must be empty: " + journal);
  std::filesystem::remove(journal + "/keep.txt");

  ASSERT_TRUE(winsim::BeginFileJournal(journal, error)) << error;
  EXPECT_FALSE(winsim::BeginFileJournal(journal, error));
  EXPECT_EQ(error, "a file journal is open already");
  EXPECT_FALSE(winsim::RecoverFileJournal(journal + "/", error));
  EXPECT_EQ(error, "the journal in " + journal + " is open in this process");

  // A journal left behind is never written over: it has to be recovered first.
  winsim::Reset(root);
  EXPECT_FALSE(winsim::BeginFileJournal(journal, error));
  EXPECT_EQ(error, journal + " holds a journal already; recover it first");
  EXPECT_TRUE(winsim::RecoverFileJournal(journal, error)) << error;
  EXPECT_TRUE(winsim::BeginFileJournal(journal, error)) << error;
  EXPECT_TRUE(winsim::EndFileJournal(error)) << error;
}

}  // namespace
