#pragma once

namespace tarvik {

// What encoding one line came to. The values are those the passes hand to OfferDefinition.
enum class OperandError : int {
    None = 0,
    Register = 1,  // not in either register file
    Bit = 2,       // neither a bit name nor REGISTER,0..7
    Literal = 3,   // neither a number nor a literal name with a usable value
    Label = 5,     // not in the label table
    NoRoom = 6,    // the word would lie outside program memory
};

} // namespace tarvik
