// The adaptive binary arithmetic coder of DjVu's bitonal (JB2) data: each bit is coded
// against a context byte, a state of the probability table below that moves with the
// bits coded in it.
#pragma once

#include <cstdint>
#include <string>

namespace reference {

class ZpEncoder {
public:
    ZpEncoder();
    void encode(bool bit, std::uint8_t& context);
    // About what coding the bit in the context would cost now, in sixteenths of a bit.
    static int cost(bool bit, std::uint8_t context);
    // Ends the stream and returns its bytes; nothing may be encoded afterwards.
    std::string finish();

private:
    void encodeMps(std::uint8_t& context, unsigned z);
    void encodeLps(std::uint8_t& context, unsigned z);
    void emit(int bit);
    void outputBit(int bit);

    unsigned a_ = 0;
    unsigned subend_ = 0;
    unsigned buffer_ = 0xffffff;
    int run_ = 0;
    int delay_ = 25;
    unsigned byte_ = 0;
    int bitCount_ = 0;
    std::string out_;
};

} // namespace reference
