; The 14-bit special mnemonics, each standing for one or two instructions.
        LIST    P=16C84
        #INCLUDE <P16C84.INC>

TEMP    EQU     H'0D'
FLAGS   EQU     H'0E'
READY   EQU     3

        ORG     0
        MOVFW   TEMP
        TSTF    TEMP
        CLRC
        SETC
        CLRDC
        SETDC
        CLRZ
        SETZ
        SKPC
        SKPNC
        SKPDC
        SKPNDC
        SKPZ
        SKPNZ
wait    BTFSS   FLAGS,READY
        B       wait
        BZ      wait
        BNZ     $+2
        BC      wait
        BNC     wait
        BDC     wait
        BNDC    wait
        ADDCF   TEMP,F
        ADDDCF  TEMP,W
        SUBCF   TEMP,F
        SUBDCF  TEMP,W
        NEGF    TEMP,F
        LGOTO   wait
        LCALL   sub
        BANKSEL TRISB
        CLRF    TRISB
        BANKSEL PORTB
        PAGESEL sub
sub     RETURN
        END
