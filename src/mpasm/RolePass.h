#pragma once

#include "model/DeviceDefaults.h"
#include "mpasm/SourceProgram.h"

#include <array>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace tarvik::mpasm {

// What a user name stands for in the program.
enum class RoleKind { Register, Bit, Literal, Target };

struct Role {
    RoleKind kind;
    int location = 0;  // register (mirrored SFRs by their bank-0 address)
    int line = 0;
};

// A source name the program is to hold and the line that gave it.
struct GivenName {
    std::string name;
    int line = 0;
};

// A literal's value as the program writes it and the line that defined it.
struct LiteralValue {
    std::string text;
    int line = 0;
};

// The second pass: every instruction's operands are evaluated, and each user name takes one
// role: the one its equ comment states, else a jump target for a label, else the first of
// register, bit, literal and jump target that its uses give it. A use in any other role is
// written as the name's value, with a note; a bit name belongs to the register it is used on
// most (the first of them). Of two names for one register the one defined first names it; the other becomes
// it, with a note.
class RolePass {
public:
    RolePass(SourceProgram& program, const DeviceDefaults& defaults);

    void run();

    // By source name.
    const std::map<std::string, Role>& roles() const { return roles_; }
    // The source name each named register location goes by.
    const std::map<int, GivenName>& registerNames() const { return locationNames_; }
    // Every other name of a named register, with the source name it gives way to.
    const std::map<std::string, std::string>& aliases() const { return aliases_; }
    // By location and bit number; one bit may have several names.
    const std::multimap<std::pair<int, int>, GivenName>& bitNames() const { return bitNames_; }
    // By source name.
    const std::map<std::string, LiteralValue>& literals() const { return literals_; }
    // The locations that are the register of a bit instruction: their name leaves room for
    // ",n" in the operand field.
    const std::set<int>& bitRegisters() const { return bitRegisters_; }

    // The first line that uses the name, or declares its role; later than any line for a
    // name no line uses.
    int firstUse(const std::string& name) const;

    // Whether the source name is one of the chip's own, defined by its header or by the source.
    bool isDeviceName(const std::string& sourceName);
    // The user name (not the chip's) that an expression consisted of; empty otherwise.
    std::string userName(const ExprValue& value);

    // An Inactive line whose operand does not resolve keeps its text.
    static void keepAsWritten(SourceProgram& program, Item& item);

    static std::string_view roleName(RoleKind kind);

private:
    struct BitUse {
        int location;
        int line;  // the first use on that register
        int count;
    };
    // How the instructions use one user name.
    struct Use {
        std::array<int, 4> firstLine = {0, 0, 0, 0};  // by RoleKind, 0 for no such use
        std::array<int, 4> location = {0, 0, 0, 0};  // as a register, as a jump target
        std::vector<BitUse> bitLocations;            // in the order of first use
    };
    // A name a location may go by, with where the source defines it.
    struct Candidate {
        std::string name;
        int line = 0;
        int order = -1;  // in the source's definitions; -1 for the chip's header
    };

    void declareRoles();
    void resolveOperand(Item& item);
    void resolveRegister(Item& item);
    void resolveDestination(Item& item);
    void resolveBit(Item& item);
    void resolveLiteral(Item& item);
    void resolveTarget(Item& item);
    void use(const std::string& name, RoleKind kind, int line, int location = 0);
    void decideRoles();
    void noteOtherUses(const std::string& name, const Role& role, const Use& use);
    void nameRegisters();

    ExprValue evaluateAt(std::string_view text, const Item& item) const;
    std::string deviceRegisterName(const std::string& sourceName);
    int registerAddress(const ExprValue& value, int line) const;
    int registerOperand(const ExprValue& value, int line, bool record);
    void candidate(int location, const std::string& name, std::string_view definedAs = {});
    void addLiteral(const std::string& name, int line);

    SourceProgram& program_;
    const DeviceDefaults& defaults_;
    std::unordered_set<std::string, NameHash, std::equal_to<>> deviceNames_;
    std::unordered_map<std::string, int, NameHash, std::equal_to<>> orderIndex_;
    bool recording_ = false;
    std::map<std::string, Use> uses_;
    std::map<int, std::vector<Candidate>> locationCandidates_;
    std::map<std::string, Role> roles_;
    std::map<int, GivenName> locationNames_;
    std::map<std::string, std::string> aliases_;
    std::multimap<std::pair<int, int>, GivenName> bitNames_;
    std::map<std::string, LiteralValue> literals_;
    std::set<int> bitRegisters_;
    // Bit names #define gives (#define LED PORTB,0): bit number and line of the #define.
    std::map<std::string, std::pair<int, int>> defineBits_;
    std::vector<std::string> defineBitOrder_;
};

// A literal as the program writes it: the source's own text where it is one of the program's
// notations, else the same value in the closest one.
std::string literalText(const ExprValue& value, int radix, int line);

} // namespace tarvik::mpasm
