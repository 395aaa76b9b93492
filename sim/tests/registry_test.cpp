// The registry rules of the model that the program's tests rely on.
#include "machine_test.h"

#include <cstring>
#include <string>

namespace {

using RegistryTest = MachineTest;

TEST_F(RegistryTest, OpenIsCaseInsensitiveTakesATrailingBackslashAndCountsHandles) {
    m.Key(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion").SetString("ProgramFilesDir", "D:\\Apps");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\microsoft\\Windows\\CurrentVersion\\", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    HKEY same = nullptr;
    ASSERT_EQ(RegOpenKeyExA(key, "", 0, KEY_READ, &same), ERROR_SUCCESS);
    EXPECT_NE(same, key);

    HKEY missing = reinterpret_cast<HKEY>(&key);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Netscape", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Software", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND)
        << "the two roots are separate trees";
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\\\Microsoft", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(m.Unreleased().size(), 2u);
    EXPECT_EQ(RegCloseKey(same), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_TRUE(m.Unreleased().empty());
    EXPECT_EQ(m.ledger.keysOpened, 2);

    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    ASSERT_EQ(TakeErrors().size(), 1u) << "a double close is reported at once";
    EXPECT_EQ(m.ledger.keysClosed, 2);
}

TEST_F(RegistryTest, QueryValueCopiesRawBytesAndLeavesGarbageWhenTooSmall) {
    m.Key(HKEY_LOCAL_MACHINE, "Software\\Netscape\\Netscape Navigator")
        .SetString("CurrentVersion", "4.7")
        .SetValue("Unterminated", REG_SZ, "4.7");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Netscape\\Netscape Navigator\\", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    char data[8];
    DWORD size = sizeof data;
    DWORD type = 0;

    std::memset(data, 'x', sizeof data);
    ASSERT_EQ(RegQueryValueExA(key, "currentversion", nullptr, &type, reinterpret_cast<LPBYTE>(data), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(data, 4), std::string("4.7\0", 4));

    std::memset(data, 'x', sizeof data);
    size = sizeof data;
    ASSERT_EQ(RegQueryValueExA(key, "Unterminated", nullptr, nullptr, reinterpret_cast<LPBYTE>(data), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(data[3], 'x') << "no terminator is added";

    size = 3;
    std::memset(data, 'x', sizeof data);
    ASSERT_EQ(RegQueryValueExA(key, "CurrentVersion", nullptr, nullptr, reinterpret_cast<LPBYTE>(data), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(std::string(data, 4), "\xCD\xCD\xCDx");

    size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "CurrentVersion", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);
    size = sizeof data;
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, reinterpret_cast<LPBYTE>(data), &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryTest, EnumerationFollowsCreationOrderAndEndsWithNoMoreItems) {
    sim::RegKey& root = m.Key(HKEY_LOCAL_MACHINE, "Software\\Netscape\\Netscape Navigator");
    root.Key("4.7");
    root.Key("Main");
    root.Key("10.0");
    root.Key("4.7");  // already there: not created twice
    root.Key(std::string(300, 'a'));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Netscape\\Netscape Navigator", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    char name[260];
    std::vector<std::string> seen;
    LONG result = ERROR_SUCCESS;
    DWORD index = 0;
    while ((result = RegEnumKeyA(key, index, name, sizeof name)) == ERROR_SUCCESS) {
        seen.push_back(name);
        ++index;
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"4.7", "Main", "10.0"}));
    EXPECT_EQ(result, ERROR_MORE_DATA) << "a name longer than the buffer";
    EXPECT_EQ(RegEnumKeyA(key, 4, name, sizeof name), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

class DeleteTest : public MachineTest, public ::testing::WithParamInterface<sim::DeleteBehaviour> {
protected:
    void SetUp() override {
        m.deleteBehaviour = GetParam();
        sim::RegKey& version = m.Key(HKEY_CLASSES_ROOT, "TypeLib\\{LIB}\\1.0");
        version.Key("HELPDIR");
        version.Key("0\\win32");
    }
    HKEY Open(const char* path, REGSAM access = KEY_WRITE) {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, path, 0, access, &key), ERROR_SUCCESS) << path;
        return key;
    }
};

TEST_P(DeleteTest, KeyWithSubkeysFollowsTheBehaviourAndLeavesCanGo) {
    HKEY library = Open("TypeLib\\{LIB}");
    LONG result = RegDeleteKeyA(library, "1.0");
    if (GetParam() == sim::DeleteBehaviour::NT) {
        EXPECT_EQ(result, ERROR_ACCESS_DENIED);
        EXPECT_TRUE(m.KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\{LIB}\\1.0\\0\\win32")) << "nothing deleted";
    } else {
        EXPECT_EQ(result, ERROR_SUCCESS);
        EXPECT_FALSE(m.KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\{LIB}\\1.0"));
    }
    EXPECT_EQ(RegDeleteKeyA(library, "1.0\\helpdir"), GetParam() == sim::DeleteBehaviour::NT ? ERROR_SUCCESS
                                                                                             : ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(library, "Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(m.KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\{LIB}"));
    EXPECT_EQ(RegCloseKey(library), ERROR_SUCCESS);
}

TEST_P(DeleteTest, DeletingAKeyThroughItsOwnHandleLeavesAHandleThatOnlyCloses) {
    HKEY win32 = Open("TypeLib\\{LIB}\\1.0\\0\\win32");
    ASSERT_EQ(RegDeleteKeyA(win32, ""), ERROR_SUCCESS);
    EXPECT_FALSE(m.KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\{LIB}\\1.0\\0\\win32"));
    EXPECT_TRUE(m.KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\{LIB}\\1.0\\0"));
    DWORD size = 0;
    HKEY below = nullptr;
    EXPECT_EQ(RegQueryValueExA(win32, "", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegOpenKeyExA(win32, "", 0, KEY_READ, &below), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteKeyA(win32, ""), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(win32), ERROR_SUCCESS);
    EXPECT_TRUE(m.Unreleased().empty());
}

TEST_P(DeleteTest, WriteAccessIsNeededToDelete) {
    HKEY readOnly = Open("TypeLib\\{LIB}\\1.0", KEY_READ);
    EXPECT_EQ(RegDeleteKeyA(readOnly, "HELPDIR"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCloseKey(readOnly), ERROR_SUCCESS);

    m.Key(HKEY_CLASSES_ROOT, "TypeLib").refuseWrite = true;
    HKEY typeLib = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "TypeLib", 0, KEY_WRITE, &typeLib), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "TypeLib", 0, KEY_READ, &typeLib), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(typeLib), ERROR_SUCCESS);
    EXPECT_TRUE(m.KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\{LIB}\\1.0\\HELPDIR"));
}

INSTANTIATE_TEST_SUITE_P(Behaviours, DeleteTest,
                         ::testing::Values(sim::DeleteBehaviour::NT, sim::DeleteBehaviour::Win9x),
                         [](const ::testing::TestParamInfo<sim::DeleteBehaviour>& info) {
                             return info.param == sim::DeleteBehaviour::NT ? std::string("NT") : std::string("Win9x");
                         });

TEST_F(RegistryTest, DeleteBehaviourFollowsThePlatformUnlessSet) {
    EXPECT_EQ(m.EffectiveDeleteBehaviour(), sim::DeleteBehaviour::Win9x);
    m.version = sim::WindowsVersion{VER_PLATFORM_WIN32_NT, 5, 0, 2195};
    EXPECT_EQ(m.EffectiveDeleteBehaviour(), sim::DeleteBehaviour::NT);
    m.deleteBehaviour = sim::DeleteBehaviour::Win9x;
    EXPECT_EQ(m.EffectiveDeleteBehaviour(), sim::DeleteBehaviour::Win9x);
}

TEST_F(RegistryTest, CallLogNamesKeysArgumentsAndResults) {
    m.Key(HKEY_CLASSES_ROOT, "TypeLib\\{LIB}\\1.0\\HELPDIR");
    HKEY version = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "TypeLib\\{LIB}\\1.0", 0, KEY_WRITE, &version), ERROR_SUCCESS);
    RegDeleteKeyA(version, "HELPDIR");
    RegDeleteKeyA(version, "FLAGS");
    RegCloseKey(version);
    EXPECT_EQ(m.calls, (std::vector<std::string>{
                           "RegOpenKeyExA HKCR 'TypeLib\\{LIB}\\1.0' 0x00020006 -> 0",
                           "RegDeleteKeyA HKCR\\TypeLib\\{LIB}\\1.0 'HELPDIR' -> 0",
                           "RegDeleteKeyA HKCR\\TypeLib\\{LIB}\\1.0 'FLAGS' -> 2",
                           "RegCloseKey HKCR\\TypeLib\\{LIB}\\1.0 -> 0",
                       }));
}

}  // namespace
