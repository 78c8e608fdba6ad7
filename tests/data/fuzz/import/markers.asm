; MPASM source exported by Tarvik for the PIC16C84 (gpasm -a inhx8m).
; clrw stays clrw: Tarvik encodes it as 0x0100, gpasm as 0x0103; both are CLRW.
; A line starting with ;# is an Inactive line: kept in the program, not assembled.
; ;@NAME puts label NAME, defined by equ below, on the line that follows.
        processor 16c84
        radix   dec
        errorlevel -302         ; the program sets the bank bits for bank 1 registers
W       equ     0
F       equ     1
COUNT   equ     0x0C            ; register
BANK    equ     0x0C            ; register, bank 1
FLAG    equ     3               ; bit COUNT,3
SEVEN   equ     H'07'           ; literal
LATE    equ     1               ; label
GONE    equ     1               ; label
        movlw   SEVEN
;#GONE   movwf   COUNT           ; never assembled
;@LATE
        bsf     COUNT,FLAG
;#        org     300
        goto    LATE
        movwf   BANK
        end
