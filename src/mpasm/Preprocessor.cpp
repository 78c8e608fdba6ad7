#include "mpasm/Preprocessor.h"

#include "model/CommentTable.h"
#include "model/Names.h"
#include "mpasm/Mnemonics.h"
#include "mpasm/SourceReader.h"

#include <algorithm>
#include <array>

namespace tarvik::mpasm {

namespace {

constexpr std::size_t kMaxMacroDepth = 32;
constexpr int kMaxDefineRounds = 16;
// Far more lines than a program of 1024 words is made of; a macro that calls itself twice
// would otherwise go on for ever before anything said so.
constexpr std::size_t kMaxExpandedLines = 1u << 18;
constexpr std::size_t kCommentRoom = kCommentWidth - 1;

constexpr std::array<std::string_view, 16> kDirectives = {
    "if", "ifdef", "ifndef", "else", "endif", "#if", "#ifdef", "#ifndef", "#else", "#endif",
    "#define", "#undefine", "macro", "endm", "local", "exitm",
};

bool isIf(std::string_view op) { return op == "if" || op == "#if"; }
bool isIfdef(std::string_view op) { return op == "ifdef" || op == "#ifdef"; }
bool isIfndef(std::string_view op) { return op == "ifndef" || op == "#ifndef"; }
bool isElse(std::string_view op) { return op == "else" || op == "#else"; }
bool isEndif(std::string_view op) { return op == "endif" || op == "#endif"; }

// Moves i past the quoted text that starts there.
void skipQuoted(std::string_view text, std::size_t& i)
{
    const char quote = text[i++];
    while (i < text.size() && text[i] != quote)
        i += text[i] == '\\' && i + 1 < text.size() ? 2 : 1;
    if (i < text.size())
        ++i;
}

// Calls found(start, length) for each name in the code, outside quotes and numbers (0FFh,
// H'1F', .10 hold no name).
template <typename Found>
void forEachName(std::string_view code, Found&& found)
{
    std::size_t i = 0;
    while (i < code.size()) {
        const char c = code[i];
        if (c == '\'' || c == '"') {
            skipQuoted(code, i);
        } else if ((c >= '0' && c <= '9') || (c == '.' && i + 1 < code.size() && code[i + 1] >= '0'
                                                 && code[i + 1] <= '9')) {
            ++i;
            while (i < code.size() && isSymbolChar(code[i]))
                ++i;
        } else if (isSymbolStart(c)) {
            std::size_t end = i;
            while (end < code.size() && isSymbolChar(code[end]))
                ++end;
            const char base = static_cast<char>(c | 0x20);
            if (end == i + 1 && end < code.size() && code[end] == '\''
                && (base == 'h' || base == 'd' || base == 'b' || base == 'o' || base == 'a')) {
                skipQuoted(code, end);
            } else {
                found(i, end - i);
            }
            i = end;
        } else {
            ++i;
        }
    }
}

// The text with each name that the map holds replaced by its value.
std::string replaceNames(std::string_view text, const std::unordered_map<std::string_view, std::string_view>& values)
{
    std::string out;
    std::size_t copied = 0;
    forEachName(text, [&](std::size_t start, std::size_t length) {
        const auto it = values.find(text.substr(start, length));
        if (it == values.end())
            return;
        out.append(text.substr(copied, start - copied));
        out.append(it->second);
        copied = start + length;
    });
    out.append(text.substr(copied));
    return out;
}

std::string chipSymbol(std::string_view name)
{
    std::string chip = lowerCase(Lexer::trim(name));
    if (chip.rfind("pic", 0) == 0)
        chip.erase(0, 3);
    else if (chip.rfind('p', 0) == 0)
        chip.erase(0, 1);
    if (chip != "16c84" && chip != "16f84" && chip != "16f84a")
        return {};
    for (char& c : chip)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return "__" + chip;
}

} // namespace

Preprocessor::Preprocessor(SourceReader& reader) : reader_(reader), lexer_(&SourceReader::isOperation) {}

bool Preprocessor::isDirective(std::string_view lowerCaseWord)
{
    return std::find(kDirectives.begin(), kDirectives.end(), lowerCaseWord) != kDirectives.end();
}

std::span<const std::string_view> Preprocessor::directives() { return kDirectives; }

void Preprocessor::line(std::string_view text, int line)
{
    if (recording_) {
        record(text, line);
        return;
    }
    const Statement raw = lexer_.statement(text, line);
    if (conditional(raw) || !active())
        return;
    const std::string_view op = raw.opLower;
    if (op == "macro") {
        if (raw.label.empty())
            refuse(line, "macro needs a name in column 1");
        // A macro's lines stay as they are while it is expanded.
        if (const auto it = macros_.find(raw.label); it != macros_.end())
            refuse(line, "macro " + std::string(raw.label) + " is already defined (line " + std::to_string(it->second.line)
                             + ")");
        recording_ = true;
        recordingLine_ = line;
        recordingName_ = std::string(raw.label);
        recorded_ = Macro{};
        recorded_.line = line;
        for (std::string_view parameter : Lexer::splitOperands(raw.operands))
            recorded_.parameters.emplace_back(parameter);
        reader_.keepNamedComment(raw, raw.label);
        return;
    }
    if (op == "#define") {
        define(raw);
        return;
    }
    if (op == "#undefine") {
        if (const auto it = defines_.find(Lexer::trim(raw.operands)); it != defines_.end())
            defines_.erase(it);
        reader_.keepComment(raw);
        return;
    }
    if (op == "endm")
        refuse(line, "endm without macro");
    if (op == "local") {
        if (expanding_.empty())
            refuse(line, "local outside a macro");
        return;  // read before the macro's lines
    }
    if (op == "exitm") {
        if (expanding_.empty())
            refuse(line, "exitm outside a macro");
        exitRequested_ = true;
        return;
    }

    // A #define of an instruction stands where the operation does.
    std::string_view origin = raw.op.empty() ? raw.label : raw.op;
    if (defines_.empty() || defines_.find(origin) == defines_.end())
        origin = {};

    std::string substituted;
    Statement s = raw;
    std::string_view lineText = text;
    if (substituteDefines(raw.code, substituted, line)) {
        if (raw.hasComment)
            substituted.append(text.substr(raw.code.size()));
        lineText = keep(std::move(substituted), line);
        s = lexer_.statement(lineText, line);
    }
    // A macro is called by its name where the operation stands, or in column 1.
    const auto called = [&](std::string_view name) -> const Macro* {
        if (macros_.empty())
            return nullptr;
        const auto it = macros_.find(name);
        return it == macros_.end() ? nullptr : &it->second;
    };
    if (const Macro* macro = s.op.empty() ? nullptr : called(s.op)) {
        expand(*macro, s.op, s, s.operands);
        return;
    }
    if (const Macro* macro = s.label.empty() ? nullptr : called(s.label)) {
        const std::string_view code = s.code;
        Statement call = s;
        call.label = {};
        expand(*macro, s.label, call, Lexer::trim(code.substr(s.label.size())));
        return;
    }
    if (origin.empty() && !expanding_.empty())
        origin = expanding_.back();
    // bsf LED, where LED stands for PORTB,0, keeps LED as the name of that bit.
    const auto bit = defines_.empty() ? defines_.end() : defines_.find(Lexer::trim(raw.operands));
    const bool bitDefine = bit != defines_.end() && bit->second.isBit
        && (op == "bcf" || op == "bsf" || op == "btfsc" || op == "btfss");
    if (bitDefine)
        reader_.setBitDefine({bit->first, bit->second.line});
    readFinally(s, origin);
    if (bitDefine)
        reader_.setBitDefine({});
    if (op == "processor" || op == "list")
        defineChip(s);
}

// An instruction made by a macro or a #define says where it comes from.
void Preprocessor::readFinally(const Statement& s, std::string_view origin)
{
    if (origin.empty() || !(findMnemonic(s.opLower) || s.opLower == "dt")) {
        reader_.readStatement(s);
        return;
    }
    const std::string from = "from " + std::string(origin);
    std::string comment = s.comment;
    if (comment.empty())
        comment = from;
    else if (comment.size() + from.size() + 3 <= kCommentRoom)
        comment += " (" + from + ")";
    std::string withComment(s.code);
    withComment += " ; ";
    withComment += comment;
    reader_.readLine(keep(std::move(withComment), s.line), s.line);
}

// gpasm names the chip it assembles for: __16F84A is 1 where the source says p16f84a.
void Preprocessor::defineChip(const Statement& s)
{
    std::string_view name;
    if (s.opLower == "processor") {
        name = s.operands;
    } else {
        for (std::string_view option : Lexer::splitOperands(s.operands)) {
            const std::size_t eq = option.find('=');
            if (eq != std::string_view::npos && lowerCase(Lexer::trim(option.substr(0, eq))) == "p")
                name = option.substr(eq + 1);
        }
    }
    const std::string symbol = chipSymbol(name);
    if (!symbol.empty())
        reader_.program().symbols.emplace(symbol, Symbol{SymbolKind::DeviceNumber, 1, s.line});
}

// A line made here, as long as a source line may be; all of them together far more than a
// program is ever made of.
std::string_view Preprocessor::keep(std::string text, int line)
{
    if (text.size() > kMaxSourceLineBytes)
        refuse(line, "a line made by #define or a macro is longer than " + std::to_string(kMaxSourceLineBytes)
                         + " characters");
    madeBytes_ += text.size();
    if (madeBytes_ > kMaxImportSourceBytes)
        refuse(line, "#define and macros make more than " + std::to_string(kMaxImportSourceBytes) + " bytes of source");
    return reader_.program().keep(std::move(text));
}

void Preprocessor::finish()
{
    if (recording_)
        refuse(recordingLine_, "macro " + recordingName_ + " without endm");
    if (!conditions_.empty())
        refuse(conditions_.back().line, "if without endif");
}

// if, ifdef, ifndef, else and endif; true when the line was one of them.
bool Preprocessor::conditional(const Statement& s)
{
    const std::string_view op = s.opLower;
    const int line = s.line;
    if (isIf(op) || isIfdef(op) || isIfndef(op)) {
        Condition next;
        next.line = line;
        next.outerActive = active();
        if (next.outerActive) {
            next.active = condition(s);
            if (!next.active)
                leaveOut(next, line, std::string(s.op) + " " + std::string(Lexer::trim(s.operands)) + " is false");
        }
        next.taken = next.active || !next.outerActive;
        conditions_.push_back(std::move(next));
        return true;
    }
    if (isElse(op)) {
        if (conditions_.empty() || conditions_.back().inElse)
            refuse(line, "else without if");
        Condition& current = conditions_.back();
        noteLeftOut(current, line - 1);
        current.inElse = true;
        current.active = current.outerActive && !current.taken;
        if (current.outerActive && !current.active)
            leaveOut(current, line, "the condition of line " + std::to_string(current.line) + " is true");
        current.taken = true;
        return true;
    }
    if (isEndif(op)) {
        if (conditions_.empty())
            refuse(line, "endif without if");
        noteLeftOut(conditions_.back(), line - 1);
        conditions_.pop_back();
        return true;
    }
    return false;
}

bool Preprocessor::condition(const Statement& s)
{
    const std::string_view operand = Lexer::trim(s.operands);
    if (isIf(s.opLower)) {
        std::string substituted;
        const std::string_view expression = substituteDefines(operand, substituted, s.line) ? substituted : operand;
        return reader_.evaluateNow(expression, s.line, true).value != 0;
    }
    if (!isName(operand))
        refuse(s.line, std::string(s.op) + " needs a name");
    const bool defined = defines_.find(operand) != defines_.end() || reader_.program().symbolOf(operand);
    return isIfdef(s.opLower) ? defined : !defined;
}

void Preprocessor::leaveOut(Condition& condition, int line, std::string reason)
{
    condition.leftOutFrom = line + 1;
    condition.reason = std::move(reason);
}

// Lines left out are noted where they are in the source, not where a macro is called.
void Preprocessor::noteLeftOut(Condition& condition, int endLine)
{
    const int from = condition.leftOutFrom;
    condition.leftOutFrom = 0;
    if (from == 0 || endLine < from || !expanding_.empty())
        return;
    const std::string lines = from == endLine ? "line " + std::to_string(from) + " is"
                                              : "lines " + std::to_string(from) + " to " + std::to_string(endLine) + " are";
    reader_.program().note(from - 1, condition.reason + ": " + lines + " left out");
}

void Preprocessor::record(std::string_view text, int line)
{
    const Statement s = lexer_.statement(text, line);
    if (s.opLower == "macro") {
        ++nestedDefinitions_;
    } else if (s.opLower == "endm") {
        if (nestedDefinitions_ == 0) {
            recording_ = false;
            macros_[recordingName_] = std::move(recorded_);
            return;
        }
        --nestedDefinitions_;
    }
    recorded_.body.push_back({text, line});
}

// #define NAME TEXT, or NAME(A, B) TEXT with arguments.
void Preprocessor::define(const Statement& s)
{
    const std::string_view operands = Lexer::trim(s.operands);
    std::size_t end = 0;
    while (end < operands.size() && isSymbolChar(operands[end]))
        ++end;
    const std::string_view name = operands.substr(0, end);
    if (!isName(name))
        refuse(s.line, "#define needs a name");
    Define definition;
    std::string_view rest = operands.substr(end);
    if (!rest.empty() && rest.front() == '(') {
        const std::size_t close = rest.find(')');
        if (close == std::string_view::npos)
            refuse(s.line, "missing ')'");
        definition.takesArguments = true;
        for (std::string_view parameter : Lexer::splitOperands(rest.substr(1, close - 1))) {
            if (!isName(parameter))
                refuse(s.line, "'" + std::string(parameter) + "' is not a name");
            definition.parameters.emplace_back(parameter);
        }
        rest = rest.substr(close + 1);
    }
    definition.text = std::string(Lexer::trim(rest));
    definition.line = s.line;
    definition.isBit = !definition.takesArguments && Lexer::splitOperands(definition.text).size() == 2;
    defines_[std::string(name)] = std::move(definition);
    reader_.keepNamedComment(s, name);
}

bool Preprocessor::substituteDefines(std::string_view code, std::string& out, int line) const
{
    if (defines_.empty())
        return false;
    std::string current;
    if (!substituteOnce(code, current, line))
        return false;
    for (int round = 1;; ++round) {
        std::string next;
        if (!substituteOnce(current, next, line)) {
            out = std::move(current);
            return true;
        }
        if (round == kMaxDefineRounds || next.size() > kMaxSourceLineBytes)
            refuse(line, "#define names go on standing for each other without end");
        current = std::move(next);
    }
}

bool Preprocessor::substituteOnce(std::string_view code, std::string& out, int line) const
{
    bool changed = false;
    std::size_t copied = 0;
    std::size_t skipTo = 0;
    forEachName(code, [&](std::size_t start, std::size_t length) {
        if (start < skipTo)
            return;
        const std::string_view name = code.substr(start, length);
        const auto it = defines_.find(name);
        // A name standing for itself is left as it is.
        if (it == defines_.end() || it->second.text == name)
            return;
        const Define& definition = it->second;
        std::size_t end = start + length;
        std::string text = definition.text;
        if (definition.takesArguments) {
            std::size_t open = end;
            while (open < code.size() && Lexer::isSpace(code[open]))
                ++open;
            if (open >= code.size() || code[open] != '(')
                return;
            int depth = 0;
            std::size_t close = open;
            for (; close < code.size(); ++close) {
                depth += (code[close] == '(') - (code[close] == ')');
                if (depth == 0)
                    break;
            }
            if (close >= code.size())
                refuse(line, "missing ')' after " + std::string(name));
            const std::vector<std::string_view> arguments = Lexer::splitOperands(code.substr(open + 1, close - open - 1));
            if (arguments.size() != definition.parameters.size())
                refuse(line, std::string(name) + " takes " + std::to_string(definition.parameters.size()) + " argument"
                                 + (definition.parameters.size() == 1 ? "" : "s"));
            std::unordered_map<std::string_view, std::string_view> values;
            for (std::size_t i = 0; i < arguments.size(); ++i)
                values.emplace(definition.parameters[i], arguments[i]);
            text = replaceNames(definition.text, values);
            end = close + 1;
        }
        out.append(code.substr(copied, start - copied));
        out.append(text);
        copied = end;
        skipTo = end;
        changed = true;
    });
    if (changed)
        out.append(code.substr(copied));
    return changed;
}

void Preprocessor::expand(const Macro& macro, std::string_view name, const Statement& call, std::string_view arguments)
{
    if (expanding_.size() >= kMaxMacroDepth)
        refuse(call.line, "macro " + std::string(name) + " is called within itself more than "
                              + std::to_string(kMaxMacroDepth) + " deep");
    const std::vector<std::string_view> given = Lexer::splitOperands(arguments);
    if (given.size() > macro.parameters.size())
        refuse(call.line, "macro " + std::string(name) + " takes " + std::to_string(macro.parameters.size())
                              + " argument" + (macro.parameters.size() == 1 ? "" : "s"));
    // The call's label and comment keep a line of their own; the label then marks the
    // macro's first word.
    if (!call.label.empty() || call.hasComment) {
        std::string own(call.label);
        if (call.hasComment)
            own += " ; " + call.comment;
        reader_.readLine(keep(std::move(own), call.line), call.line);
    }
    std::vector<std::pair<std::string_view, std::string>> locals;
    ++calls_;
    for (const BodyLine& body : macro.body) {
        const Statement s = lexer_.statement(body.text, body.line);
        if (s.opLower == "local")
            for (std::string_view local : Lexer::splitOperands(s.operands))
                locals.emplace_back(local, localName(local));
    }
    std::unordered_map<std::string_view, std::string_view> values;
    for (std::size_t i = 0; i < macro.parameters.size(); ++i)
        values.emplace(macro.parameters[i], i < given.size() ? given[i] : std::string_view());
    for (const auto& [local, unique] : locals)
        values[local] = unique;

    const std::size_t conditionDepth = conditions_.size();
    expanding_.push_back(name);
    reader_.setMacro(name);
    try {
        for (const BodyLine& body : macro.body) {
            if (reader_.ended() || exitRequested_)
                break;
            if (++expandedLines_ > kMaxExpandedLines)
                refuse(call.line, "macros make more than " + std::to_string(kMaxExpandedLines) + " lines");
            const std::size_t commentAt = Lexer::commentStart(body.text);
            const std::string_view code = body.text.substr(0, std::min(commentAt, body.text.size()));
            std::string text = values.empty() ? std::string(code) : replaceNames(code, values);
            text.append(body.text.substr(code.size()));
            line(keep(std::move(text), call.line), call.line);
        }
    } catch (Refusal& refusal) {
        if (!refusal.inMacro)
            refusal.text += " (in macro " + std::string(name) + ")";
        refusal.inMacro = true;
        throw;
    }
    expanding_.pop_back();
    reader_.setMacro(expanding_.empty() ? std::string_view() : expanding_.back());
    if (exitRequested_)
        conditions_.resize(std::min(conditions_.size(), conditionDepth));
    exitRequested_ = false;
    if (conditions_.size() != conditionDepth)
        refuse(call.line, "if without endif in macro " + std::string(name));
}

// A local label of one call: the name and the call's number, unlike any name of the source.
std::string Preprocessor::localName(std::string_view local)
{
    std::string base;
    for (char c : local)
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            base += c;
    if (base.empty() || (base[0] >= '0' && base[0] <= '9'))
        base.insert(0, 1, 'L');
    for (int number = calls_;; ++number) {
        const std::string suffix = std::to_string(number);
        std::string name = base.substr(0, std::min(base.size(), kMaxNameLength - suffix.size())) + suffix;
        if (!sourceHoldsName(name) && !reader_.program().symbolOf(name))
            return name;
    }
}

bool Preprocessor::sourceHoldsName(std::string_view name)
{
    // Every run of name characters anywhere, in comments and quotes too.
    if (!sourceNamesRead_) {
        sourceNamesRead_ = true;
        const std::string_view source = reader_.program().text.text();
        for (std::size_t i = 0; i < source.size();) {
            std::size_t end = i;
            while (end < source.size() && isSymbolChar(source[end]))
                ++end;
            if (end > i)
                sourceNames_.insert(source.substr(i, end - i));
            i = end + 1;
        }
    }
    return sourceNames_.count(name) != 0;
}

} // namespace tarvik::mpasm
