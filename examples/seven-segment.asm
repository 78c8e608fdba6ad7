; Seven segments: RA3-RA0 choose a hexadecimal digit
; that a common-cathode display on RB0-RB6 shows
; (RB0 segment a to RB6 segment g, 1 = lit). The
; patterns are a table of retlw lines, reached by
; adding the digit to PCL: a computed jump.
;
; In the simulator: Run (F9) and click RA0-RA3 on the
; pin diagram to choose a digit; RB0-RB6 show its
; pattern from the table (all low: 0, RB0-RB5 lit).
; Step Into (F7) shows the jump: "addwf PCL" lands on
; the digit's retlw, which returns with its pattern.

        list    p=16C84
        #include <p16c84.inc>
        radix   dec
DIGITBITS equ   B'00001111'     ; RA3-RA0: RA4 is no part of it

        org     0
Start   bsf     STATUS,RP0      ; bank 1: TRISB
        clrf    TRISB           ; PORTB all outputs; PORTA stays in
        bcf     STATUS,RP0      ; back to bank 0
Show    movf    PORTA,W
        andlw   DIGITBITS       ; the digit, 0 to 15
        call    Pattern         ; W becomes the digit's segments
        movwf   PORTB
        goto    Show

; Pattern returns the segments of digit W (0 to 15).
; The table must not cross a 256-word boundary: a
; write to PCL takes the PC's high bits from PCLATH,
; which is 0 here.
Pattern addwf   PCL,F           ; jump W lines ahead
        retlw   B'00111111'     ; 0
        retlw   B'00000110'     ; 1
        retlw   B'01011011'     ; 2
        retlw   B'01001111'     ; 3
        retlw   B'01100110'     ; 4
        retlw   B'01101101'     ; 5
        retlw   B'01111101'     ; 6
        retlw   B'00000111'     ; 7
        retlw   B'01111111'     ; 8
        retlw   B'01101111'     ; 9
        retlw   B'01110111'     ; A
        retlw   B'01111100'     ; b
        retlw   B'00111001'     ; C
        retlw   B'01011110'     ; d
        retlw   B'01111001'     ; E
        retlw   B'01110001'     ; F
        end
