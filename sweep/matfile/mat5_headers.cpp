#include "matfile/mat5_headers.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace sweep {

namespace {

constexpr uint32_t kMatrix = 14;      // miMATRIX: an uncompressed variable
constexpr uint32_t kCompressed = 15;  // miCOMPRESSED: a variable through zlib
constexpr int64_t kFileHeader = 128;
constexpr uint32_t kSparseClass = 5;
constexpr uint32_t kUint32 = 6;  // miUINT32, the type of a variable's array flags
constexpr uint64_t kMaxInflation = 1032;  // zlib's greatest ratio of inflated to deflated bytes
constexpr uint32_t kMaxDimsBytes = 4 * 64;  // 64 dimensions of int32
constexpr uint32_t kMaxNameBytes = 4096;
// A variable's header: its tag, array flags, dimensions and name.
constexpr size_t kMaxHeaderBytes = 8 + 16 + 8 + kMaxDimsBytes + 8 + kMaxNameBytes;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

uint32_t word(const unsigned char* p, bool swap) {
    return swap ? (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3])
                : (uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]);
}

bool read_at(std::FILE* file, int64_t at, unsigned char* to, size_t size) {
    return fseeko(file, static_cast<off_t>(at), SEEK_SET) == 0 && std::fread(to, 1, size, file) == size;
}

// The size a sub-element's tag at p claims and the bytes it takes with its
// tag (a small element packs up to 4 bytes into its tag); false for a small
// element claiming more.
bool sub_element(const unsigned char* p, bool swap, uint32_t& size, uint64_t& span) {
    const uint32_t type = word(p, swap);
    if (type >> 16 != 0) {
        size = type >> 16;
        span = 8;
        return size <= 4;
    }
    size = word(p + 4, swap);
    span = 8 + (uint64_t{size} + 7) / 8 * 8;
    return true;
}

// Checks a variable's content (after its miMATRIX tag): have bytes of it
// at p, of the size its tag claims, stored in at most stored bytes of the
// file. Every element of a variable but a sparse one takes a byte of the
// file at the least (a cell's or a field's a whole tag), and every column
// of a sparse one: more of them than stored bytes inflate to is damage.
std::string matrix_fault(const unsigned char* p, size_t have, uint64_t size, uint64_t stored, bool swap) {
    // Array flags (a tag and 8 bytes), then the dimensions' tag.
    if (size < 16 + 8 || have < 16 + 8) return "a variable's header is cut short";
    if (word(p, swap) != kUint32 || word(p + 4, swap) != 8) return "a variable's array flags are damaged";
    uint32_t dims = 0;
    uint64_t span = 0;
    // Two dimensions at the least, each an int32.
    if (!sub_element(p + 16, swap, dims, span) || dims < 8 || dims % 4 != 0 || dims > kMaxDimsBytes ||
        16 + span + 8 > size) {
        return "a variable claims " + std::to_string(dims) + " bytes of dimensions";
    }
    if (16 + span + 8 > have) return "a variable's header is cut short";
    const unsigned char* dim = p + 16 + (span == 8 ? 4 : 8);
    uint64_t elements = 1;
    for (uint32_t d = 0; d + 4 <= dims; d += 4) {
        const uint64_t length = word(dim + d, swap);
        elements = length != 0 && elements > UINT64_MAX / length ? UINT64_MAX : elements * length;
    }
    // A sparse variable stores only its nonzeros, but a column start for
    // each column, which the library allocates from the header's claim.
    const bool sparse = (word(p + 8, swap) & 0xFF) == kSparseClass;
    if (sparse) elements = word(dim + dims - 4, swap);
    if (elements > stored * kMaxInflation) {
        return "a variable claims " + std::to_string(elements) + (sparse ? " columns in " : " elements in ") +
               std::to_string(stored) + " bytes";
    }
    uint32_t name = 0;
    uint64_t name_span = 0;
    if (!sub_element(p + 16 + span, swap, name, name_span) || name > kMaxNameBytes || 16 + span + name_span > size) {
        return "a variable claims a name of " + std::to_string(name) + " bytes";
    }
    return "";
}

// Inflates the size bytes of a compressed variable at offset at, keeping
// the first kMaxHeaderBytes in start and counting the rest: false unless
// the stream ends there, checked by zlib, having given inflated bytes.
bool inflate_whole(std::FILE* file, int64_t at, uint32_t size, std::vector<unsigned char>& start,
                   uint64_t& inflated) {
    constexpr size_t kChunk = size_t{1} << 16;
    std::vector<unsigned char> in(kChunk);
    std::vector<unsigned char> out(kChunk);
    start.clear();
    inflated = 0;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    int result = Z_OK;
    for (uint32_t done = 0; result == Z_OK && done < size;) {
        const auto take = static_cast<uInt>(std::min<uint64_t>(kChunk, size - done));
        if (!read_at(file, at + done, in.data(), take)) break;
        done += take;
        z.next_in = in.data();
        z.avail_in = take;
        do {
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            result = inflate(&z, Z_NO_FLUSH);
            if (result == Z_BUF_ERROR && z.avail_in == 0) result = Z_OK;  // wants the next chunk
            const size_t got = out.size() - z.avail_out;
            start.insert(start.end(), out.begin(), out.begin() + std::min(got, kMaxHeaderBytes - start.size()));
            inflated += got;
        } while (result == Z_OK && z.avail_out == 0);
    }
    inflateEnd(&z);
    return result == Z_STREAM_END;
}

}  // namespace

std::string mat5_header_fault(const std::string& path) {
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file || fseeko(file.get(), 0, SEEK_END) != 0) return "";  // the library reports it
    const int64_t file_size = ftello(file.get());
    unsigned char header[kFileHeader];
    if (!read_at(file.get(), 0, header, sizeof header)) return "";
    const bool swap = header[126] == 'M' && header[127] == 'I';
    std::vector<unsigned char> bytes;
    for (int64_t at = kFileHeader; at + 8 <= file_size;) {
        unsigned char tag[8];
        if (!read_at(file.get(), at, tag, sizeof tag)) return "the file cannot be read";
        const uint32_t type = word(tag, swap);
        const uint32_t size = word(tag + 4, swap);
        if (at + 8 + int64_t{size} > file_size) return "a variable runs past the end of the file";
        std::string fault;
        if (type == kMatrix) {
            const size_t take = std::min<size_t>(size, kMaxHeaderBytes);
            bytes.resize(take);
            if (!read_at(file.get(), at + 8, bytes.data(), take)) return "the file cannot be read";
            fault = matrix_fault(bytes.data(), take, size, size, swap);
        } else if (type == kCompressed) {
            // The library inflates a stream cut short without a fault and
            // reads on into memory it never filled.
            uint64_t inflated = 0;
            if (!inflate_whole(file.get(), at + 8, size, bytes, inflated)) {
                fault = "a compressed variable is damaged";
            } else if (bytes.size() >= 8 && word(bytes.data(), swap) == kMatrix) {
                const uint32_t claimed = word(bytes.data() + 4, swap);
                fault = inflated < 8 + uint64_t{claimed}
                            ? "a compressed variable holds less than it claims"
                            : matrix_fault(bytes.data() + 8, bytes.size() - 8, claimed, size, swap);
            }
        }
        if (!fault.empty()) return fault;
        at += 8 + int64_t{size};
    }
    return "";
}

}  // namespace sweep
