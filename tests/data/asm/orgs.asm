; ORG gaps in both notations, labels on blank, ORG and inactive lines, an inactive ORG that
; moves the labels after it but not the words, jumps into every 256-word part of the address
; field, and the last word of program memory.
        processor 16c84
        radix   dec
        errorlevel -302, -219

        org     0
top                             ; label on the ORG line
        goto    far
        nop
        org     H'10'
loop                            ; label on a blank line
        call    top
        goto    loop
        org     100
idle                            ; label on an inactive nop, which gives no word
        nop
        goto    0x80            ; moved: its label follows the inactive ORG H'80'
        goto    idle
        org     300
far     call    last
        goto    gap
        org     h'200'
gap     nop
        org     1022
        nop
last    return                  ; word 1023
        end
