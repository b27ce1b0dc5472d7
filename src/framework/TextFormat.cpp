#include "framework/TextFormat.h"

#include <cstdarg>
#include <cstdint>
#include <cstring>

namespace {

constexpr int kMaxPrecision = 9;
constexpr int kDefaultPrecision = 6;

// The text being written: never more than size - 1 characters, and room kept for the NUL.
class Output {
  public:
    Output(char* buffer, size_t size) : out(buffer), capacity(size) {}

    void Put(char c) {
        if (length + 1 < capacity) {
            out[length++] = c;
        }
    }
    void Put(const char* text, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            Put(text[i]);
        }
    }
    void Repeat(char c, size_t count) {
        for (; count > 0 && length + 1 < capacity; --count) {
            out[length++] = c;
        }
    }
    size_t Finish() {
        if (capacity > 0) {
            out[length] = '\0';
        }
        return length;
    }

  private:
    char* out;
    size_t capacity;
    size_t length = 0;
};

// One conversion as the format gives it.
struct Conversion {
    bool zeros = false;  // flag 0
    size_t width = 0;
    int precision = -1;  // none given
    bool isLong = false;
    char letter = '\0';
};

// A field of the given width, right-aligned: the sign (when there is one), then the body;
// zeros (after the sign) or spaces fill the rest.
void PutField(Output& out, const Conversion& conversion, bool zeros, const char* sign,
              const char* body, size_t length) {
    const size_t used = strlen(sign) + length;
    const size_t fill = conversion.width > used ? conversion.width - used : 0;
    if (!zeros) {
        out.Repeat(' ', fill);
    }
    out.Put(sign, strlen(sign));
    if (zeros) {
        out.Repeat('0', fill);
    }
    out.Put(body, length);
}

void PutInteger(Output& out, const Conversion& conversion, bool negative,
                unsigned long long value) {
    const unsigned base = conversion.letter == 'X' ? 16 : 10;
    char digits[24];  // 64 bits in decimal: 20 digits
    size_t start = sizeof digits;
    do {
        digits[--start] = "0123456789ABCDEF"[value % base];
        value /= base;
    } while (value != 0);
    PutField(out, conversion, conversion.zeros, negative ? "-" : "", digits + start,
             sizeof digits - start);
}

// A number of up to kLimbs * 9 decimal digits, in limbs of nine digits, the lowest first: room
// for the largest double (309 digits before the point) times 10^kMaxPrecision.
class Decimal {
  public:
    static constexpr size_t kLimbs = 36;
    static constexpr size_t kMaxDigits = kLimbs * 9;
    static constexpr uint32_t kLimbBase = 1000000000;

    explicit Decimal(uint64_t value) {
        do {
            limbs[limbCount++] = static_cast<uint32_t>(value % kLimbBase);
            value /= kLimbBase;
        } while (value != 0);
    }

    // factor at most 2^31: a limb times it, plus the carry, stays within 64 bits.
    void Multiply(uint32_t factor) {
        uint64_t carry = 0;
        for (size_t i = 0; i < limbCount; ++i) {
            const uint64_t product = static_cast<uint64_t>(limbs[i]) * factor + carry;
            limbs[i] = static_cast<uint32_t>(product % kLimbBase);
            carry = product / kLimbBase;
        }
        while (carry != 0 && limbCount < kLimbs) {
            limbs[limbCount++] = static_cast<uint32_t>(carry % kLimbBase);
            carry /= kLimbBase;
        }
    }

    // Divides by 2; returns the remainder (0 or 1).
    unsigned Halve() {
        uint64_t remainder = 0;
        for (size_t i = limbCount; i-- > 0;) {
            const uint64_t value = remainder * kLimbBase + limbs[i];
            limbs[i] = static_cast<uint32_t>(value / 2);
            remainder = value % 2;
        }
        while (limbCount > 1 && limbs[limbCount - 1] == 0) {
            --limbCount;
        }
        return static_cast<unsigned>(remainder);
    }

    bool IsOdd() const { return (limbs[0] & 1) != 0; }

    void Increment() {
        for (size_t i = 0; i < limbCount; ++i) {
            if (++limbs[i] < kLimbBase) {
                return;
            }
            limbs[i] = 0;
        }
        if (limbCount < kLimbs) {
            limbs[limbCount++] = 1;
        }
    }

    // The decimal digits without leading zeros ("0" for zero); returns their number.
    size_t Digits(char (&out)[kMaxDigits]) const {
        size_t length = 0;
        for (size_t i = limbCount; i-- > 0;) {
            char group[9];
            uint32_t value = limbs[i];
            for (size_t d = 9; d-- > 0;) {
                group[d] = static_cast<char>('0' + value % 10);
                value /= 10;
            }
            size_t first = 0;
            if (i == limbCount - 1) {
                while (first < 8 && group[first] == '0') {
                    ++first;
                }
            }
            memcpy(out + length, group + first, 9 - first);
            length += 9 - first;
        }
        return length;
    }

  private:
    uint32_t limbs[kLimbs] = {};
    size_t limbCount = 0;
};

// %f of value: its exact binary value m * 2^e times 10^precision, rounded to a whole number
// (an exact half to even), is the digits, with the point before the last precision of them.
void PutFixed(Output& out, const Conversion& conversion, double value) {
    static_assert(sizeof(double) == sizeof(uint64_t), "doubles are IEEE 754 binary64");
    uint64_t bits = 0;
    memcpy(&bits, &value, sizeof bits);
    const char* sign = (bits >> 63) != 0 ? "-" : "";
    const int exponentField = static_cast<int>((bits >> 52) & 0x7FF);
    const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
    if (exponentField == 0x7FF) {
        PutField(out, conversion, false, sign, fraction == 0 ? "inf" : "nan", 3);
        return;
    }
    const uint64_t mantissa = exponentField == 0 ? fraction : fraction | (uint64_t{1} << 52);
    int exponent = (exponentField == 0 ? 1 : exponentField) - 1075;
    int precision = conversion.precision < 0 ? kDefaultPrecision : conversion.precision;
    if (precision > kMaxPrecision) {
        precision = kMaxPrecision;
    }
    uint32_t scale = 1;
    for (int i = 0; i < precision; ++i) {
        scale *= 10;
    }

    Decimal number(mantissa);
    number.Multiply(scale);
    while (exponent > 0) {
        const int step = exponent < 31 ? exponent : 31;
        number.Multiply(uint32_t{1} << step);
        exponent -= step;
    }
    // Halving -exponent times: half is the last bit shifted out, sticky whether any before it
    // was set.
    bool half = false;
    bool sticky = false;
    for (; exponent < 0; ++exponent) {
        sticky = sticky || half;
        half = number.Halve() != 0;
    }
    if (half && (sticky || number.IsOdd())) {
        number.Increment();
    }

    char digits[Decimal::kMaxDigits];
    size_t length = number.Digits(digits);
    const size_t decimals = static_cast<size_t>(precision);
    // At least one digit before the point.
    char body[Decimal::kMaxDigits + 12];
    size_t bodyLength = 0;
    const size_t leading = length <= decimals ? decimals + 1 - length : 0;
    memset(body, '0', leading);
    bodyLength = leading;
    memcpy(body + bodyLength, digits, length);
    bodyLength += length;
    if (decimals > 0) {
        memmove(body + bodyLength - decimals + 1, body + bodyLength - decimals, decimals);
        body[bodyLength - decimals] = '.';
        ++bodyLength;
    }
    PutField(out, conversion, conversion.zeros, sign, body, bodyLength);
}

// Reads the conversion after a %; format then points at its letter.
Conversion ReadConversion(const char*& format) {
    Conversion conversion;
    while (*format == '0') {
        conversion.zeros = true;
        ++format;
    }
    while (*format >= '0' && *format <= '9') {
        conversion.width = conversion.width * 10 + static_cast<size_t>(*format - '0');
        if (conversion.width > 1000) {
            conversion.width = 1000;  // wider than any buffer of the program
        }
        ++format;
    }
    if (*format == '.') {
        ++format;
        conversion.precision = 0;
        while (*format >= '0' && *format <= '9') {
            conversion.precision = conversion.precision * 10 + (*format - '0');
            if (conversion.precision > kMaxPrecision) {
                conversion.precision = kMaxPrecision;
            }
            ++format;
        }
    }
    if (*format == 'l') {
        conversion.isLong = true;
        ++format;
    }
    conversion.letter = *format;
    return conversion;
}

}  // namespace

size_t FormatText(char* buffer, size_t size, const char* format, ...) {
    Output out(buffer, size);
    va_list arguments;
    va_start(arguments, format);
    while (*format != '\0') {
        if (*format != '%') {
            out.Put(*format++);
            continue;
        }
        const char* start = format++;
        const Conversion conversion = ReadConversion(format);
        switch (conversion.letter) {
            case 'd': {
                const long long value =
                    conversion.isLong ? va_arg(arguments, long) : va_arg(arguments, int);
                const unsigned long long magnitude =
                    value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                              : static_cast<unsigned long long>(value);
                PutInteger(out, conversion, value < 0, magnitude);
                break;
            }
            case 'u':
            case 'X':
                PutInteger(out, conversion, false,
                           conversion.isLong ? va_arg(arguments, unsigned long)
                                             : va_arg(arguments, unsigned));
                break;
            case 's': {
                const char* text = va_arg(arguments, const char*);
                if (text == nullptr) {
                    text = "(null)";
                }
                PutField(out, conversion, false, "", text, strlen(text));
                break;
            }
            case 'f':
                PutFixed(out, conversion, va_arg(arguments, double));
                break;
            case '%':
                out.Put('%');
                break;
            default:
                // Not one of the program's conversions: copied as it stands.
                out.Put(start, static_cast<size_t>(format - start) + (*format != '\0' ? 1 : 0));
                break;
        }
        if (*format != '\0') {
            ++format;
        }
    }
    va_end(arguments);
    return out.Finish();
}
