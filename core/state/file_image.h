// The open file's bytes: either a read-only mapping of the file itself (how
// a file is opened, so files larger than memory open and no copy is made) or
// bytes held in memory (an image handed over whole, and the tests).
//
// A mapped file can shrink or change while it is open. Reading a page past
// its new end raises SIGBUS; the handler installed here puts zero pages in
// place of the rest of the mapping and marks the image as faulted, so the
// read finishes and the reader, checking Changed() afterwards, reports the
// change instead of crashing.
#pragma once

#include "core/state/byte_buffer.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace tessivo {

class FileMapping;

class FileImage {
public:
    FileImage() = default;
    FileImage(std::initializer_list<uint8_t> bytes) : owned_(bytes) {}
    FileImage& operator=(std::initializer_list<uint8_t> bytes);

    // Maps `size` bytes of the open descriptor `fd` privately (the image
    // keeps its own duplicate of it) with MADV_SEQUENTIAL. False with errno
    // set when the mapping fails; an empty file maps to an empty image.
    bool Map(int fd, size_t size);
    bool Mapped() const { return mapping_ != nullptr; }
    // Back to normal read-ahead once the sequential pass (the index) is done.
    void AdviseRandom() const;
    // Reads [from, from + n) into memory ahead of use (page cache, not
    // anonymous memory). False when part of it no longer exists in the file.
    bool Prefetch(size_t from, size_t n) const;

    // A mapped file that lost pages (SIGBUS), or whose size or modification
    // time now differs from `size` and `modifiedNs`. Never true for bytes in
    // memory.
    bool Changed(uint64_t size, int64_t modifiedNs) const;

    const uint8_t* data() const { return mapping_ ? mapped_ : owned_.data(); }
    // Writes to a mapped image stay in the process (private pages).
    uint8_t* data();
    // The mapped file's descriptor, for copies the kernel makes from the
    // file itself where PagesAreTheFiles says the image still holds the
    // file's bytes; -1 for bytes in memory.
    int FileDescriptor() const;
    size_t size() const { return mapping_ ? mappedSize_ : owned_.size(); }
    bool empty() const { return size() == 0; }
    size_t capacity() const { return mapping_ ? mappedSize_ : owned_.capacity(); }
    const uint8_t& operator[](size_t i) const { return data()[i]; }
    uint8_t& operator[](size_t i) { return data()[i]; }
    const uint8_t* begin() const { return data(); }
    const uint8_t* end() const { return data() + size(); }
    uint8_t* begin() { return data(); }
    uint8_t* end() { return data() + size(); }

    // These make the image bytes in memory (a mapping is let go first).
    void clear();
    void shrink_to_fit();
    void resize(size_t n);
    template <class It> void assign(It first, It last) {
        Unmap();
        owned_.assign(first, last);
    }
    template <class It> void insert(uint8_t* at, It first, It last) {
        ToMemory();
        const auto offset = static_cast<std::ptrdiff_t>(at - owned_.data());
        owned_.insert(owned_.begin() + offset, first, last);
    }

private:
    void Unmap();
    void ToMemory();

    ByteBuffer owned_;
    std::shared_ptr<const FileMapping> mapping_; // copies share the mapping
    const uint8_t* mapped_ = nullptr;
    size_t mappedSize_ = 0;
};

inline bool operator==(const FileImage& a, const std::vector<uint8_t>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}
inline bool operator==(const std::vector<uint8_t>& a, const FileImage& b) {
    return b == a;
}

// Whether no page of [at, at + n), in a mapping of a file, was written in
// the process: each is a page of the file or not in memory yet. False when
// the kernel's page map cannot be read.
bool PagesAreTheFiles(const uint8_t* at, size_t n);

// "NAME changed on disk; open it again"
std::string ChangedOnDiskMessage(const std::string& name);
// Whether `message` is one ChangedOnDiskMessage made.
bool IsChangedOnDiskMessage(const std::string& message);

} // namespace tessivo
