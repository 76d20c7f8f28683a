#pragma once
// Zip archives made at test time: a raw writer for what libzip's writer will not make (raw name
// bytes, the 0xD3D7 name record, chosen external attributes and methods, no entries) with the
// traditional zip encryption, and libzip's writer for stored and deflated entries with a password.
// Header only: used by the plug-in tests, the fuzz target and the benchmarks, which link libzip.
#include <zip.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace ziptest {

inline uint32_t CrcByte(uint32_t crc, unsigned char byte) {
    static const std::vector<uint32_t> table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    return table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

inline uint32_t Crc32(const std::string& data) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : data)
        crc = CrcByte(crc, c);
    return crc ^ 0xFFFFFFFFu;
}

// The traditional PKWARE stream cipher: a 12-byte header whose last byte is the CRC's high byte.
inline std::string EncryptTraditional(const std::string& plain, const std::string& password, uint32_t crc) {
    uint32_t k0 = 0x12345678u, k1 = 0x23456789u, k2 = 0x34567890u;
    auto update = [&](unsigned char p) {
        k0 = CrcByte(k0, p);
        k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
        k2 = CrcByte(k2, static_cast<unsigned char>(k1 >> 24));
    };
    auto streamByte = [&] {
        uint16_t t = static_cast<uint16_t>(k2 | 2);
        return static_cast<unsigned char>((uint32_t(t) * uint32_t(t ^ 1)) >> 8);
    };
    for (unsigned char c : password)
        update(c);
    std::string header(12, '\0');
    std::mt19937 random(crc);
    for (int i = 0; i < 11; ++i)
        header[i] = static_cast<char>(random());
    header[11] = static_cast<char>(crc >> 24);
    std::string out;
    out.reserve(12 + plain.size());
    for (unsigned char p : header + plain) {
        out.push_back(static_cast<char>(p ^ streamByte()));
        update(p);
    }
    return out;
}

struct RawEntry {
    std::string name;      // stored bytes
    std::string data;      // stored as is (method 0), or the bytes given for another method
    std::string extra;     // central and local extra field
    uint32_t externalAttributes = 0x81A40000u; // a Unix file, rw-r--r--
    uint16_t method = 0;
    std::string password;  // traditional encryption when not empty
    uint16_t flags = 0;
    bool flipDataByte = false; // damage one byte of the stored data after the CRC is taken
    int64_t declaredSize = -1; // the uncompressed size written in the headers, when not the data's
};

inline void Put16(std::string& s, uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

// The custom name record: tag D3 D7, a big-endian length, the UTF-8 byte-order mark and the name.
inline std::string NameRecord(const std::string& utf8Name, bool withBom = true) {
    std::string data = (withBom ? std::string("\xEF\xBB\xBF") : std::string()) + utf8Name;
    std::string r("\xD3\xD7", 2);
    uint32_t n = static_cast<uint32_t>(data.size());
    r.push_back(static_cast<char>(n >> 24));
    r.push_back(static_cast<char>(n >> 16));
    r.push_back(static_cast<char>(n >> 8));
    r.push_back(static_cast<char>(n));
    return r + data;
}

// The WinZip AES record that goes with method 99 (AES-256 over deflate).
inline std::string AesRecord() {
    return std::string("\x01\x99\x07\x00\x02\x00" "AE" "\x03\x08\x00", 11);
}

inline std::string RawArchive(const std::vector<RawEntry>& entries) {
    std::string out, central;
    for (const RawEntry& e : entries) {
        const uint32_t crc = Crc32(e.data);
        std::string body = e.password.empty() ? e.data : EncryptTraditional(e.data, e.password, crc);
        if (e.flipDataByte && !body.empty())
            body[body.size() / 2] = static_cast<char>(body[body.size() / 2] ^ 0x20);
        const uint16_t flags = static_cast<uint16_t>(e.flags | (e.password.empty() ? 0 : 1));
        const uint32_t offset = static_cast<uint32_t>(out.size());
        const uint32_t declared = static_cast<uint32_t>(e.declaredSize >= 0 ? e.declaredSize : int64_t(e.data.size()));
        std::string local;
        Put32(local, 0x04034b50);
        Put16(local, 20);
        Put16(local, flags);
        Put16(local, e.method);
        Put16(local, 0);
        Put16(local, 0x21);
        Put32(local, crc);
        Put32(local, static_cast<uint32_t>(body.size()));
        Put32(local, declared);
        Put16(local, static_cast<uint32_t>(e.name.size()));
        Put16(local, static_cast<uint32_t>(e.extra.size()));
        out += local + e.name + e.extra + body;
        Put32(central, 0x02014b50);
        Put16(central, 0x0314); // made on Unix
        Put16(central, 20);
        Put16(central, flags);
        Put16(central, e.method);
        Put16(central, 0);
        Put16(central, 0x21);
        Put32(central, crc);
        Put32(central, static_cast<uint32_t>(body.size()));
        Put32(central, declared);
        Put16(central, static_cast<uint32_t>(e.name.size()));
        Put16(central, static_cast<uint32_t>(e.extra.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, e.externalAttributes);
        Put32(central, offset);
        central += e.name + e.extra;
    }
    const uint32_t centralOffset = static_cast<uint32_t>(out.size());
    out += central;
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<uint32_t>(entries.size()));
    Put16(out, static_cast<uint32_t>(entries.size()));
    Put32(out, static_cast<uint32_t>(central.size()));
    Put32(out, centralOffset);
    Put16(out, 0);
    return out;
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        throw std::runtime_error("cannot write " + path);
    bool good = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    good = std::fclose(f) == 0 && good;
    if (!good)
        throw std::runtime_error("cannot write " + path);
}

struct LibzipEntry {
    std::string name;
    std::string data;
    bool deflate = true;
    std::string password; // ZIP_EM_TRAD_PKWARE when not empty
};

// An archive written by libzip (at least one entry: libzip writes no empty archive).
inline void LibzipArchive(const std::string& path, const std::vector<LibzipEntry>& entries) {
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (z == nullptr)
        throw std::runtime_error("zip_open failed for " + path);
    for (const LibzipEntry& e : entries) {
        zip_source_t* source = zip_source_buffer(z, e.data.data(), e.data.size(), 0);
        zip_int64_t index = source == nullptr ? -1 : zip_file_add(z, e.name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            zip_discard(z);
            throw std::runtime_error("zip_file_add failed");
        }
        zip_set_file_compression(z, zip_uint64_t(index), e.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
        if (!e.password.empty()
            && zip_file_set_encryption(z, zip_uint64_t(index), ZIP_EM_TRAD_PKWARE, e.password.c_str()) != 0) {
            zip_discard(z);
            throw std::runtime_error("zip_file_set_encryption failed");
        }
    }
    if (zip_close(z) != 0) {
        zip_discard(z);
        throw std::runtime_error("zip_close failed for " + path);
    }
}

// Rewrites the uncompressed size in the headers of an archive of one entry without a comment.
inline void SetDeclaredSize(std::string& archive, uint32_t size) {
    auto put = [&archive, size](size_t at) {
        for (int i = 0; i < 4; ++i)
            archive[at + size_t(i)] = static_cast<char>((size >> (8 * i)) & 0xFF);
    };
    const size_t end = archive.size() - 22;
    size_t central = 0;
    for (int i = 3; i >= 0; --i)
        central = (central << 8) | static_cast<unsigned char>(archive[end + 16 + size_t(i)]);
    if (archive.compare(0, 4, "PK\x03\x04") != 0 || archive.compare(central, 4, "PK\x01\x02") != 0)
        throw std::runtime_error("not an archive of one entry");
    put(22);
    put(central + 24);
}

} // namespace ziptest
