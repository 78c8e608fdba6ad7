// Import of MPASM source filling the whole program memory (1024 words), target under 1 ms;
// and of a 1,000-line source of macros, #defines and conditionals, target under 5 ms.

#include "mpasm/Import.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A source in the usual style: header, cblock, equ, labels, comments, every operand kind,
// special mnemonics, $ loops and a dt table, 1024 words in all.
std::string fullMemorySource()
{
    std::string source =
        "; whole program memory\n"
        "        list    p=16f84a\n"
        "        #include <p16f84a.inc>\n"
        "        __config _XT_OSC & _WDT_OFF\n"
        "        cblock  0x0C\n"
        "            count, temp, flags\n"
        "        endc\n"
        "LIMIT   equ     .200\n"
        "READY   equ     3\n"
        "        org     0\n";
    int words = 0;
    int block = 0;
    while (words + 16 <= 1024 - 8) {
        const std::string n = std::to_string(block++);
        source += "loop" + n + ":  movlw   LIMIT           ; load the limit\n"
                  "        movwf   count\n"
                  "        bsf     STATUS,RP0\n"
                  "        movlw   0FFH\n"
                  "        movwf   TRISB\n"
                  "        bcf     STATUS,RP0\n"
                  "wait" + n + "   decfsz  count,F\n"
                  "        goto    $-1\n"
                  "        btfss   flags,READY\n"
                  "        goto    wait" + n + "\n"
                  "        addwf   temp,W\n"
                  "        skpnz\n"
                  "        movfw   temp\n"
                  "        andlw   B'00001111' | 0x30\n"
                  "        call    table\n"
                  "        goto    loop" + n + "\n";
        words += 16;
    }
    source += "table   addwf   PCL,F\n"
              "        dt      \"abcdef\", 0\n";
    words += 8;
    source += "        end\n";
    return source;
}

void BM_ImportFullMemory(benchmark::State& state)
{
    const tarvik::DeviceDefaults defaults;
    const std::string source = fullMemorySource();
    for (auto _ : state) {
        tarvik::ImportOutcome outcome = tarvik::importMpasmSource(source, defaults);
        if (!outcome.document) {
            state.SkipWithError(outcome.refusal->text.c_str());
            break;
        }
        benchmark::DoNotOptimize(outcome.document.get());
    }
}
BENCHMARK(BM_ImportFullMemory)->Unit(benchmark::kMicrosecond);

// 1,000 lines as people write them for the 16F84: #define of pins and of instructions, macros
// with arguments, local labels and a condition inside, ifdef blocks, names with underscores.
std::string macroSource()
{
    std::string source =
        "; macros, defines and conditionals\n"
        "        list    p=16f84a\n"
        "        #include <p16f84a.inc>\n"
        "        __config _XT_OSC & _WDT_OFF\n"
        "#define LED_PIN     PORTB,0     ; the LED\n"
        "#define BUTTON_PIN  PORTA,4\n"
        "#define BANK_0      bcf STATUS,RP0\n"
        "#define BANK_1      bsf STATUS,RP0\n"
        "#define FAST\n"
        "        cblock  0x0C\n"
        "            delay_count, loop_count\n"
        "            saved_w, saved_status\n"
        "        endc\n"
        "MOVLF   macro   value, register\n"
        "        movlw   value\n"
        "        movwf   register        ; W changes\n"
        "        endm\n"
        "WAIT    macro   cycles\n"
        "        local   again\n"
        "        MOVLF   cycles, delay_count\n"
        "again   decfsz  delay_count,F\n"
        "        goto    again\n"
        "        endm\n"
        "SELECT  macro   bank\n"
        "        if bank == 0\n"
        "        BANK_0\n"
        "        else\n"
        "        BANK_1\n"
        "        endif\n"
        "        endm\n"
        "        org     0\n";
    int lines = 31;
    for (int block = 0; lines + 12 <= 999; ++block, lines += 12) {
        const std::string n = std::to_string(block);
        source += "; block " + n + "\n"
                  "step_" + n + "  SELECT 1\n"
                  "        bcf     LED_PIN         ; an output\n"
                  "        SELECT  0\n"
                  "        MOVLF   .10, loop_count\n"
                  "        ifdef   FAST\n"
                  "        WAIT    3\n"
                  "        else\n"
                  "        WAIT    200\n"
                  "        endif\n"
                  "        btfss   BUTTON_PIN\n"
                  "        goto    step_" + n + "\n";
    }
    source += "        end\n";
    return source;
}

void BM_ImportMacrosAndDefines(benchmark::State& state)
{
    const tarvik::DeviceDefaults defaults;
    const std::string source = macroSource();
    for (auto _ : state) {
        tarvik::ImportOutcome outcome = tarvik::importMpasmSource(source, defaults);
        if (!outcome.document) {
            state.SkipWithError(outcome.refusal->text.c_str());
            break;
        }
        benchmark::DoNotOptimize(outcome.document.get());
    }
}
BENCHMARK(BM_ImportMacrosAndDefines)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
