// The file rules of the model that the program's tests rely on.
#include "machine_test.h"

#include <cstring>
#include <functional>

namespace {

using FilesTest = MachineTest;

TEST_F(FilesTest, PathsAreCaseInsensitiveAndRelativeNamesUseTheCurrentDirectory) {
    m.AddFile("C:\\package\\NPKestrix.dll");
    for (const char* name : {"NPKestrix.dll", "npkestrix.DLL", "\\PACKAGE\\npkestrix.dll", "c:/package//NPKestrix.dll",
                             "C:\\Program Files\\..\\package\\.\\NPKestrix.dll"}) {
        SCOPED_TRACE(name);
        HANDLE h = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(CloseHandle(h));
    }
    m.currentDirectory = "D:\\elsewhere";
    m.AddFolder(m.currentDirectory);
    EXPECT_EQ(CreateFileA("NPKestrix.dll", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(CreateFileA("D:\\nowhere\\NPKestrix.dll", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(m.Unreleased().empty());
}

TEST_F(FilesTest, FileHandleLedgerReportsDoubleCloseAndOpenHandles) {
    m.AddFile("C:\\package\\a.dll");
    HANDLE h = CreateFileA("a.dll", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(m.Unreleased(), std::vector<std::string>{"file handle of C:\\package\\a.dll not closed"});
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(TakeErrors().size(), 1u);
    EXPECT_EQ(m.ledger.fileHandlesOpened, 1);
    EXPECT_EQ(m.ledger.fileHandlesClosed, 1);
}

struct CopyCase {
    const char* name;
    std::function<void(sim::Machine&)> setUp;
    const char* destination;
    BOOL failIfExists;
    DWORD error;  // 0: the copy succeeds
};

TEST(CopyFileA, ErrorCodes) {
    const CopyCase cases[] = {
        {"plain copy", [](sim::Machine&) {}, "C:\\dest\\x.dll", FALSE, 0},
        {"over a normal file", [](sim::Machine& m) { m.AddFile("C:\\dest\\x.dll"); }, "C:\\dest\\x.dll", FALSE, 0},
        {"missing source", [](sim::Machine& m) { m.RemoveFile("C:\\package\\x.dll"); }, "C:\\dest\\x.dll", FALSE,
         ERROR_FILE_NOT_FOUND},
        {"missing destination folder", [](sim::Machine&) {}, "C:\\nowhere\\x.dll", FALSE, ERROR_PATH_NOT_FOUND},
        {"destination held", [](sim::Machine& m) { m.AddFile("C:\\dest\\x.dll"); m.HoldFile("C:\\dest\\x.dll"); },
         "C:\\dest\\x.dll", FALSE, ERROR_SHARING_VIOLATION},
        {"folder denies writing", [](sim::Machine& m) { m.FindFolder("C:\\dest")->denyWrite = true; },
         "C:\\dest\\x.dll", FALSE, ERROR_ACCESS_DENIED},
        {"read-only destination",
         [](sim::Machine& m) { m.AddFile("C:\\dest\\x.dll", sim::FileSpec{}.WithAttributes(FILE_ATTRIBUTE_READONLY)); },
         "C:\\dest\\x.dll", FALSE, ERROR_ACCESS_DENIED},
        {"hidden destination",
         [](sim::Machine& m) { m.AddFile("C:\\dest\\x.dll", sim::FileSpec{}.WithAttributes(FILE_ATTRIBUTE_HIDDEN)); },
         "C:\\dest\\x.dll", FALSE, ERROR_ACCESS_DENIED},
        {"fail if exists", [](sim::Machine& m) { m.AddFile("C:\\dest\\x.dll"); }, "C:\\dest\\x.dll", TRUE,
         ERROR_FILE_EXISTS},
        {"destination names a folder", [](sim::Machine& m) { m.AddFolder("C:\\dest\\x.dll"); }, "C:\\dest\\x.dll",
         FALSE, ERROR_ACCESS_DENIED},
        {"destination loaded as a module",
         [](sim::Machine& m) {
             m.AddFile("C:\\dest\\x.dll", sim::FileSpec{}.AsModule(sim::ModuleSpec{}));
             LoadLibraryA("C:\\dest\\x.dll");
         },
         "C:\\dest\\x.dll", FALSE, ERROR_SHARING_VIOLATION},
    };
    for (const CopyCase& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Machine m;
        m.onError = [](const std::string& error) { ADD_FAILURE() << error; };
        m.AddFile("C:\\package\\x.dll", sim::FileSpec{}.WithContents("new"));
        m.AddFolder("C:\\dest");
        c.setUp(m);
        SetLastError(0);
        BOOL ok = CopyFileA("x.dll", c.destination, c.failIfExists);
        EXPECT_EQ(ok, c.error == 0 ? TRUE : FALSE);
        EXPECT_EQ(GetLastError(), c.error);
        ASSERT_EQ(m.copyAttempts.size(), 1u);
        EXPECT_EQ(m.copyAttempts[0].destination, c.destination);
        EXPECT_EQ(m.copyAttempts[0].error, c.error);
        if (c.error == 0) {
            EXPECT_EQ(m.FileContents(c.destination), "new");
        }
    }
}

TEST_F(FilesTest, CopyCarriesContentsVersionModuleAndAttributes) {
    m.AddFile("C:\\package\\Quarvel.dll", sim::FileSpec{}
                                              .WithContents("component")
                                              .WithVersion(1, 50, 2, 3)
                                              .WithAttributes(FILE_ATTRIBUTE_READONLY)
                                              .AsModule(sim::ModuleSpec{}.RegisterReturns(S_FALSE)));
    m.AddFile("C:\\dest\\Quarvel.dll", sim::FileSpec{}.WithContents("old").WithAttributes(FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(CopyFileA("Quarvel.dll", "C:\\DEST\\quarvel.dll", FALSE));
    const sim::FileSpec* copied = m.FindFile("C:\\dest\\Quarvel.dll");
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->contents, "component");
    EXPECT_EQ(copied->version.minor, 50);
    EXPECT_EQ(copied->attributes, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(copied->module.has_value());
    EXPECT_EQ(copied->module->registerResult, S_FALSE);
}

TEST_F(FilesTest, HeldFileRefusesCopiesForItsAttemptsOrUntilReleased) {
    m.AddFile("C:\\package\\x.dll", sim::FileSpec{}.WithContents("new"));
    m.AddFile("C:\\dest\\x.dll", sim::FileSpec{}.WithContents("old"));

    m.HoldFile("C:\\dest\\x.dll", 2);
    EXPECT_FALSE(CopyFileA("x.dll", "C:\\dest\\x.dll", FALSE));
    EXPECT_FALSE(CopyFileA("x.dll", "C:\\dest\\x.dll", FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(CopyFileA("x.dll", "C:\\dest\\x.dll", FALSE));

    m.HoldFile("C:\\dest\\x.dll");
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(CopyFileA("x.dll", "C:\\dest\\x.dll", FALSE));
    }
    m.ReleaseFile("C:\\dest\\x.dll");
    EXPECT_TRUE(CopyFileA("x.dll", "C:\\dest\\x.dll", FALSE));
    EXPECT_EQ(m.copyAttempts.size(), 9u);
}

TEST_F(FilesTest, ScriptedCopyErrorsComeFirstAndZeroRunsTheOrdinaryChecks) {
    m.AddFile("C:\\package\\x.dll", sim::FileSpec{}.WithContents("new"));
    m.AddFolder("C:\\dest");

    m.ScriptCopyErrors("C:\\dest\\x.dll", {ERROR_ACCESS_DENIED, 0, 0});
    EXPECT_FALSE(CopyFileA("x.dll", "C:\\dest\\x.dll", FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(CopyFileA("missing.dll", "C:\\dest\\x.dll", FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(CopyFileA("x.dll", "C:\\dest\\x.dll", FALSE));
    EXPECT_EQ(m.FileContents("C:\\dest\\x.dll"), "new");
}

TEST_F(FilesTest, AttributeResetFreesAReadOnlyFileButNotADeniedFolder) {
    m.AddFile("C:\\package\\x.dll");
    m.AddFile("C:\\dest\\x.dll", sim::FileSpec{}.WithAttributes(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    m.AddFile("C:\\locked\\x.dll");
    m.FindFolder("C:\\locked")->denyWrite = true;

    EXPECT_FALSE(CopyFileA("x.dll", "C:\\dest\\x.dll", FALSE));
    EXPECT_TRUE(SetFileAttributesA("C:\\dest\\x.dll", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(m.FindFile("C:\\dest\\x.dll")->attributes, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(CopyFileA("x.dll", "C:\\dest\\x.dll", FALSE));

    EXPECT_TRUE(SetFileAttributesA("C:\\locked\\x.dll", FILE_ATTRIBUTE_NORMAL));
    EXPECT_FALSE(CopyFileA("x.dll", "C:\\locked\\x.dll", FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    EXPECT_FALSE(SetFileAttributesA("C:\\dest\\missing.dll", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    ASSERT_EQ(m.attributeChanges.size(), 3u);
    EXPECT_EQ(m.attributeChanges[0].attributes, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
}

TEST_F(FilesTest, CreateDirectoryMakesOnlyTheLastFolderAndSetsErrorsOnlyOnFailure) {
    m.AddFolder("C:\\Program Files");
    m.AddFile("C:\\Program Files\\readme.txt");
    m.AddFolder("C:\\Locked").denyWrite = true;
    m.createDirectoryFailures["c:\\program files\\forced"] = ERROR_GEN_FAILURE;

    struct Case {
        const char* path;
        DWORD error;
    } cases[] = {
        {"C:\\Program Files\\Quarvel\\", 0},
        {"C:\\Program Files\\Quarvel\\1.50\\", 0},
        {"C:\\PROGRAM FILES\\quarvel", ERROR_ALREADY_EXISTS},
        {"C:\\Program Files\\readme.txt", ERROR_ALREADY_EXISTS},
        {"C:\\program\\Quarvel\\", ERROR_PATH_NOT_FOUND},
        {"C:\\Locked\\Quarvel", ERROR_ACCESS_DENIED},
        {"C:\\Program Files\\forced", ERROR_GEN_FAILURE},
        {"\\Quarvel\\", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        SetLastError(12345);
        EXPECT_EQ(CreateDirectoryA(c.path, nullptr), c.error == 0 ? TRUE : FALSE);
        EXPECT_EQ(GetLastError(), c.error == 0 ? 12345u : c.error);
    }
    EXPECT_TRUE(m.FolderExists("C:\\Program Files\\Quarvel\\1.50"));
    EXPECT_TRUE(m.FolderExists("C:\\Quarvel"));
    EXPECT_FALSE(m.FolderExists("C:\\program"));
}

TEST_F(FilesTest, VersionInformation) {
    m.AddFile("C:\\package\\versioned.dll", sim::FileSpec{}.WithVersion(0x8001, 2, 3, 4).WithVersionBlockSize(1800));
    m.AddFile("C:\\package\\plain.dll");
    m.AddFile("C:\\package\\nofixed.dll", sim::FileSpec{}.WithVersionBlockWithoutFixedInfo());
    m.AddFile("C:\\package\\nofixedfails.dll", sim::FileSpec{}.WithVersionBlockWithoutFixedInfo(true));
    BYTE block[1024];
    LPVOID info = nullptr;
    UINT length = 99;

    EXPECT_FALSE(GetFileVersionInfoA("missing.dll", 0, sizeof block, block));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(GetFileVersionInfoA("plain.dll", 0, sizeof block, block));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));

    // A block longer than the buffer is cut; its head still answers.
    ASSERT_TRUE(GetFileVersionInfoA("versioned.dll", 0, sizeof block, block));
    ASSERT_TRUE(VerQueryValueA(block, "\\", &info, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, info, sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x80010002u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00030004u);
    EXPECT_GE(static_cast<BYTE*>(info), block);
    EXPECT_LE(static_cast<BYTE*>(info) + sizeof fixed, block + sizeof block);

    ASSERT_TRUE(GetFileVersionInfoA("nofixed.dll", 0, sizeof block, block));
    EXPECT_TRUE(VerQueryValueA(block, "\\", &info, &length));
    EXPECT_EQ(length, 0u);
    ASSERT_TRUE(GetFileVersionInfoA("nofixedfails.dll", 0, sizeof block, block));
    EXPECT_FALSE(VerQueryValueA(block, "\\", &info, &length));
}

}  // namespace
