; MPASM source exported by Tarvik for the PIC16C84 (gpasm -a inhx8m).
; clrw stays clrw: Tarvik encodes it as 0x0100, gpasm as 0x0103; both are CLRW.
; A line starting with ;# is an Inactive line: kept in the program, not assembled.
; ;@NAME puts label NAME, defined by equ below, on the line that follows.
        processor 16c84
        radix   dec
        errorlevel -302         ; the program sets the bank bits for bank 1 registers
W       equ     0
F       equ     1
TMR0    equ     0x01            ; register
STATUS  equ     0x03            ; register
PORTB   equ     0x06            ; register
INTCON  equ     0x0B            ; register
WTEMP   equ     0x0C            ; register
STATTEMP equ    0x0D            ; register
TICKS   equ     0x0E            ; register
_OPTION equ     0x81            ; register
TRISB   equ     0x86            ; register
LED     equ     1               ; bit TRISB,1
T0IF    equ     2               ; bit INTCON,2
RP0     equ     5               ; bit STATUS,5
T0IE    equ     5               ; bit INTCON,5
GIE     equ     7               ; bit INTCON,7
; Reset and interrupt vectors, TMR0 interrupt with
; context save, bank 1 names.


        org     H'0'
        goto    init
        org     H'4'
isr     movwf   WTEMP
        swapf   STATUS,W
        movwf   STATTEMP
        bcf     INTCON,T0IF
        incf    TICKS,F
        movlw   2
        xorwf   PORTB,F
        swapf   STATTEMP,W
        movwf   STATUS
        swapf   WTEMP,F
        swapf   WTEMP,W
        retfie

init    bsf     STATUS,RP0
        movlw   b'10000111'     ; prescaler 1:256 on TMR0
        movwf   _OPTION
        bcf     TRISB,LED
        bcf     STATUS,RP0
        clrf    TMR0
        bsf     INTCON,T0IE
        bsf     INTCON,GIE
idle    sleep
        nop
        goto    idle
        end
