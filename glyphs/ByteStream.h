#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Sequential little-endian reader over bytes in memory. A fixed-size field (ReadU8 ...
// ReadF64) that runs past the end fails and raises the end-of-file condition, which a
// file reader reports as a damaged file; ReadBlock only reports how much it got.
class CByteReader {
public:
    explicit CByteReader(std::span<const std::uint8_t> data) : m_Data(data) {}

    bool ReadU8(std::uint8_t& value);
    bool ReadU16(std::uint16_t& value);
    bool ReadU32(std::uint32_t& value);
    bool ReadI32(std::int32_t& value);
    bool ReadF64(double& value);
    // Copies up to size bytes and returns how many were there; never raises end-of-file.
    std::size_t ReadBlock(void* destination, std::size_t size);
    // Moves past up to size bytes; returns how many were skipped.
    std::size_t Skip(std::size_t size);

    std::size_t Position() const { return m_nPosition; }
    std::size_t Remaining() const { return m_Data.size() - m_nPosition; }
    bool AtEnd() const { return m_nPosition == m_Data.size(); }
    // True once a fixed-size field ran past the end.
    bool HitEndOfFile() const { return m_bEndOfFile; }
    void RaiseEndOfFile() { m_bEndOfFile = true; }

private:
    bool Take(void* destination, std::size_t size);

    std::span<const std::uint8_t> m_Data;
    std::size_t m_nPosition = 0;
    bool m_bEndOfFile = false;
};

// Sequential little-endian writer into a growing byte buffer.
class CByteWriter {
public:
    void WriteU8(std::uint8_t value) { m_Bytes.push_back(value); }
    void WriteU16(std::uint16_t value);
    void WriteU32(std::uint32_t value);
    void WriteI32(std::int32_t value) { WriteU32(static_cast<std::uint32_t>(value)); }
    void WriteF64(double value);
    void WriteBlock(const void* source, std::size_t size);

    const std::vector<std::uint8_t>& Bytes() const { return m_Bytes; }
    std::vector<std::uint8_t>& Bytes() { return m_Bytes; }

private:
    std::vector<std::uint8_t> m_Bytes;
};

// Reads a whole file. False when it cannot be opened or read, or is larger than maxSize.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                   std::size_t maxSize = std::size_t{1} << 30);

// Reads at most maxSize bytes from the start of a file. False when it cannot be opened or read.
bool ReadFilePrefix(const std::string& path, std::vector<std::uint8_t>& bytes, std::size_t maxSize);

// Writes bytes to path through a temporary file in the same folder that is flushed to disk
// and renamed over path, so that a failed write leaves any previous file untouched. The new
// file keeps the permission bits of the file it replaces; a new file gets 0666 less the
// umask. A symbolic link at path stays and the file it points to is replaced. False when
// path is a folder or anything fails; the temporary file is then removed.
bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);
