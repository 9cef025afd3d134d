// The fuzz input read as a stream of decisions.  Once the bytes run out every
// read yields 0, which the decoders map to their most ordinary choice, so a
// short input still describes a complete (and usually valid) project.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace min_lumo_fuzz {

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    uint8_t Byte() { return at_ < size_ ? data_[at_++] : uint8_t{0}; }

    // True with probability about `outOf256` / 256; false once exhausted.
    bool Chance(int outOf256) { return at_ < size_ && Byte() < outOf256; }

    // 0 .. count - 1; count must be positive.
    int32_t Below(int32_t count) { return static_cast<int32_t>(Byte() % static_cast<uint32_t>(count)); }

    uint32_t Word() {
        uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) value |= static_cast<uint32_t>(Byte()) << shift;
        return value;
    }

    int32_t Int32() { return static_cast<int32_t>(Word()); }

    double Raw_Double() {
        const uint64_t bits = static_cast<uint64_t>(Word()) | static_cast<uint64_t>(Word()) << 32;
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    bool Exhausted() const { return at_ >= size_; }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace min_lumo_fuzz
