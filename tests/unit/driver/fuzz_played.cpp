// Fuzzes the test build's played ports with any service-key values: the bytes
// as the sequence, its first four as the index and as the single value. A read
// never goes outside the sequence, answers one of its bytes, and leaves an
// index that never passes its end.
#include "core/played.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Key {
    const std::uint8_t* data;
    std::size_t size;
    unsigned long index = 0;
    bool indexSet = false;
};

long Query(void* context, const char* name, unsigned long type, unsigned char* out, unsigned long capacity) {
    auto* key = static_cast<Key*>(context);
    const std::string n(name);
    if (n.rfind("Sequence", 0) == 0 && n.rfind("SequenceIndex", 0) != 0) {
        if (type != HWI_PLAYED_BINARY || key->size > capacity) return -1;
        if (key->size) std::memcpy(out, key->data, key->size);
        return static_cast<long>(key->size);
    }
    if (type != HWI_PLAYED_DWORD || capacity < 4 || key->size < 4) return -1;
    std::memcpy(out, key->data, 4);
    return 4;
}

void SetDword(void* context, const char* name, unsigned long value) {
    auto* key = static_cast<Key*>(context);
    if (std::string(name).rfind("SequenceIndex", 0) != 0) std::abort();  // a read writes only the index
    key->index = value;
    key->indexSet = true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Key key{data, size};
    hwi_played_values values{&key, Query, SetDword};
    const unsigned short port = size >= 2 ? static_cast<unsigned short>(data[0] | (data[1] << 8)) : 0;
    const unsigned char answer = hwi_played_read(&values, port);
    if (size == 0 || size > HWI_PLAYED_SEQUENCE_MAX) {
        if (key.indexSet) std::abort();  // no sequence: nothing advances
        return 0;
    }
    if (!key.indexSet || key.index > size || key.index == 0) std::abort();
    if (std::memchr(data, answer, size) == nullptr) std::abort();
    return 0;
}
