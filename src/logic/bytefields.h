#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

// Fixed-width numbers out of a run of bytes in one byte order. Every read checks that the
// value lies wholly inside the bytes, so that a record cut short gives no value, never a read
// past its end.
class CByteFields
{
public:
    enum class EOrder { Little, Big };

    CByteFields(std::string_view bytes, EOrder eOrder) : m_bytes(bytes), m_eOrder(eOrder) {}

    std::size_t Size() const { return m_bytes.size(); }
    bool Has(std::size_t nOffset, std::size_t nCount) const
    {
        return nOffset <= m_bytes.size() && m_bytes.size() - nOffset >= nCount;
    }

    template <typename T>
    bool Get(std::size_t nOffset, T& value) const
    {
        static_assert(std::is_arithmetic_v<T> && (sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4
                                                  || sizeof(T) == 8), "a number of 1, 2, 4 or 8 bytes");
        if (!Has(nOffset, sizeof(T)))
            return false;
        std::uint64_t bits = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            const std::size_t nByte = m_eOrder == EOrder::Big ? i : sizeof(T) - 1 - i;
            bits = bits << 8 | static_cast<unsigned char>(m_bytes[nOffset + nByte]);
        }
        // Through an unsigned integer of T's width, so that floats keep their bit pattern.
        using TUnsigned = std::conditional_t<sizeof(T) == 1, std::uint8_t,
                          std::conditional_t<sizeof(T) == 2, std::uint16_t,
                          std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>;
        const TUnsigned narrow = static_cast<TUnsigned>(bits);
        std::memcpy(&value, &narrow, sizeof(T));
        return true;
    }

    // The byte at nOffset as a character, '\0' past the end.
    char Char(std::size_t nOffset) const { return nOffset < m_bytes.size() ? m_bytes[nOffset] : '\0'; }
    // Whether the bytes from nOffset read text.
    bool Reads(std::size_t nOffset, std::string_view text) const
    {
        return Has(nOffset, text.size()) && m_bytes.substr(nOffset, text.size()) == text;
    }

private:
    std::string_view m_bytes;
    EOrder m_eOrder;
};
