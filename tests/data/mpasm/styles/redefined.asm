; Names of the chip defined again with the header's values,
; as many programs do to be sure.
        list    p=16F84A
PORTB   EQU     0X06
        #include "P16F84A.INC"
PORTA   EQU     0X05
STATUS  EQU     03H
RP0     EQU     5
TRISA   EQU     0X85
F       EQU     1

        ORG     0X00
        BSF     STATUS,RP0
        MOVLW   0X1F
        MOVWF   TRISA
        BCF     STATUS,RP0
LOOP    MOVF    PORTA,W
        MOVWF   PORTB
        GOTO    LOOP
        END
