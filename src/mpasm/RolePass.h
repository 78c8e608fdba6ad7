#pragma once

#include "model/DeviceDefaults.h"
#include "mpasm/SourceProgram.h"

#include <map>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>

namespace tarvik::mpasm {

// What a user name stands for in the program.
enum class RoleKind { Register, Bit, Literal, Target };

struct Role {
    RoleKind kind;
    int location = 0;  // register (mirrored SFRs by their bank-0 address)
    int line = 0;
};

// A name the program is to hold and the line that gave it.
struct GivenName {
    std::string name;
    int line = 0;
};

// A literal's value as the program writes it and the line that defined it.
struct LiteralValue {
    std::string text;
    int line = 0;
};

// The second pass: every instruction's operands are evaluated, and each user name takes the
// one role its uses agree on (a register, a bit of one register, a literal or a jump
// target), or the source is refused. Names whose equ comment states a role take it first.
class RolePass {
public:
    RolePass(SourceProgram& program, const DeviceDefaults& defaults);

    void run();

    // By source name.
    const std::map<std::string, Role>& roles() const { return roles_; }
    // The program's name of each register location that gets one.
    const std::map<int, GivenName>& registerNames() const { return locationNames_; }
    // By location and bit number.
    const std::map<std::pair<int, int>, GivenName>& bitNames() const { return bitNames_; }
    // By the literal's name in the program.
    const std::map<std::string, LiteralValue>& literals() const { return literals_; }

    // An Inactive line whose operand does not resolve keeps its text.
    static void keepAsWritten(SourceProgram& program, Item& item);

    static std::string_view roleName(RoleKind kind);

private:
    void declareRoles();
    void resolveOperand(Item& item);
    void resolveRegister(Item& item);
    void resolveDestination(Item& item);
    void resolveBit(Item& item);
    void resolveLiteral(Item& item);
    void resolveTarget(Item& item);

    ExprValue evaluateAt(std::string_view text, const Item& item) const;
    bool isDeviceName(const std::string& sourceName);
    std::string userName(const ExprValue& value);
    std::string deviceRegisterName(const std::string& sourceName);
    void bindRole(const std::string& name, Role role);
    void refuseLabelRole(const std::string& name, RoleKind kind, int line) const;
    int registerAddress(const ExprValue& value, int line) const;
    int useRegister(const ExprValue& value, int line);
    void nameLocation(int location, const std::string& name, int line);
    void useBit(const std::string& name, int address, int bit, int line);
    std::string useLiteral(const std::string& name, int line);

    SourceProgram& program_;
    const DeviceDefaults& defaults_;
    std::unordered_set<std::string, NameHash, std::equal_to<>> deviceNames_;
    std::map<std::string, Role> roles_;
    std::map<int, GivenName> locationNames_;
    std::map<std::pair<int, int>, GivenName> bitNames_;
    std::map<std::string, LiteralValue> literals_;
};

// A literal as the program writes it: the source's own text where it is one of the program's
// notations, else the same value in the closest one.
std::string literalText(const ExprValue& value, int radix, int line);

} // namespace tarvik::mpasm
