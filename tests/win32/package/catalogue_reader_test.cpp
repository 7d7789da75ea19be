// The built security catalogue through the system's catalogue reader: three
// members, each tagged with its hash as upper-case hex (the tag Windows 7 looks
// a file up by) and carrying that hash, one a program image and two flat
// files, the INF and the GPD by the hash the catalogue functions compute.
// (Wine hashes a program image by all its bytes, where Windows 7 leaves out
// the checksum and signature, and reads no name-value attributes: the image's
// hash and the file names are checked by package_catalogue.)
#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>
#include <mscat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "common/Handles.h"
#include "testbed/Bench.h"

namespace {

void CloseCatalogue(HANDLE h) { CryptCATClose(h); }
using unique_catalogue = pw::unique_any<HANDLE, &CloseCatalogue, pw::invalid_handle_value>;
void ReleaseAdmin(HCATADMIN h) { CryptCATAdminReleaseContext(h, 0); }
using unique_catadmin = pw::unique_any<HCATADMIN, &ReleaseAdmin>;

// {C689AAB8-8E78-11D0-8C47-00C04FC295EE}: the program-image subject; {DE351A42-8E59-11D0-8C47-00C04FC295EE}: flat
// files.
constexpr GUID kPeImage = {0xC689AAB8, 0x8E78, 0x11D0, {0x8C, 0x47, 0x00, 0xC0, 0x4F, 0xC2, 0x95, 0xEE}};
constexpr GUID kFlatFile = {0xDE351A42, 0x8E59, 0x11D0, {0x8C, 0x47, 0x00, 0xC0, 0x4F, 0xC2, 0x95, 0xEE}};

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }  // ASCII paths

std::wstring Hex(const BYTE* data, DWORD size) {
    std::wstring text;
    for (DWORD i = 0; i < size; ++i) {
        wchar_t two[3];
        wsprintfW(two, L"%02X", data[i]);
        text += two;
    }
    return text;
}

// The tag the catalogue functions make of a file's hash.
std::wstring HashTag(HCATADMIN admin, const std::string& path) {
    pw::unique_file file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return L"cannot open " + Wide(path);
    BYTE hash[64] = {};
    DWORD size = sizeof hash;
    if (!CryptCATAdminCalcHashFromFileHandle(file.get(), &size, hash, 0) || size > sizeof hash) return L"no hash";
    return Hex(hash, size);
}

TEST(PackageCatalogue, MembersAreTaggedWithTheirHashesAndReadAsWindowsWrites) {
    const std::string dir = bench::UnixToWindows(PW_PACKAGE_DIR);
    std::wstring path = Wide(dir + "\\ZYKE9pin.cat");
    unique_catalogue cat(CryptCATOpen(&path[0], CRYPTCAT_OPEN_EXISTING, 0, 0, 0));
    ASSERT_TRUE(cat) << "error " << GetLastError();

    std::map<std::wstring, bool> imageByTag;
    for (CRYPTCATMEMBER* m = CryptCATEnumerateMember(cat.get(), nullptr); m;
         m = CryptCATEnumerateMember(cat.get(), m)) {
        ASSERT_TRUE(m->pwszReferenceTag && m->pIndirectData);
        EXPECT_EQ(Hex(m->pIndirectData->Digest.pbData, m->pIndirectData->Digest.cbData), m->pwszReferenceTag);
        EXPECT_TRUE(IsEqualGUID(m->gSubjectType, kPeImage) || IsEqualGUID(m->gSubjectType, kFlatFile));
        imageByTag[m->pwszReferenceTag] = IsEqualGUID(m->gSubjectType, kPeImage);
    }
    ASSERT_EQ(imageByTag.size(), 3u);
    EXPECT_EQ(std::count_if(imageByTag.begin(), imageByTag.end(), [](const auto& m) { return m.second; }), 1);

    unique_catadmin admin;
    ASSERT_TRUE(CryptCATAdminAcquireContext(admin.put(), nullptr, 0));
    for (const std::string name : {PW_PACKAGE_INF, PW_PACKAGE_GPD}) {
        const auto member = imageByTag.find(HashTag(admin.get(), dir + "\\" + name));
        ASSERT_NE(member, imageByTag.end()) << "no member tagged with the hash of " << name;
        EXPECT_FALSE(member->second) << name << " is a flat file";
    }
}

}  // namespace
