#include "model/InstructionCode.h"

namespace tarvik {

bool destinationIsF(std::int32_t code, std::int32_t destination)
{
    const InstructionInfo* info = instructionInfo(code);
    if (!info)
        return false;
    switch (info->polarity) {
    case DestinationPolarity::ZeroIsW: return destination != 0;
    case DestinationPolarity::ZeroIsF: return destination == 0;
    case DestinationPolarity::AlwaysF: return true;
    case DestinationPolarity::NoDestination: return false;
    }
    return false;
}

} // namespace tarvik
