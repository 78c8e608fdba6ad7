; Port change: four keys on RB4-RB7. Any change on
; them wakes the sleeping chip and interrupts it; the
; interrupt copies the keys to the LEDs on RB0-RB3
; and counts the changes. Nothing polls the keys.
;
; In the simulator: Run (F9); it stops at sleep.
; Click any of RB4-RB7 on the pin diagram and Run
; again: RBIF sets, the chip wakes and takes the
; interrupt at 0x004, RB0-RB3 copy RB4-RB7, and
; changes (Registers view) counts one more; then the
; chip sleeps again.

        list    p=16C84
        #include <p16c84.inc>
        radix   dec
        cblock  0x0C
            wSave               ; W while the interrupt runs
            statusSave          ; STATUS while the interrupt runs
            changes             ; key changes seen
        endc
KEYSIN  equ     B'11110000'     ; TRISB: RB7-RB4 in, RB3-RB0 out
LEDBITS equ     B'00001111'     ; RB3-RB0: the LEDs
WATCHRB equ     B'10001000'     ; INTCON: GIE and RBIE set

        org     0
        goto    Start           ; past the interrupt vector
        org     4
Change  movwf   wSave           ; the interrupted code's W...
        swapf   STATUS,W        ; ...and STATUS: swapf leaves Z alone
        movwf   statusSave
        swapf   PORTB,W         ; RB7-RB4 into W's bits 3-0
        andlw   LEDBITS
        movwf   PORTB           ; the LEDs show the keys
        bcf     INTCON,RBIF     ; after the read, or it sets again
        incf    changes,F
        swapf   statusSave,W    ; STATUS back as it was
        movwf   STATUS
        swapf   wSave,F         ; W back, again without changing Z
        swapf   wSave,W
        retfie                  ; return and set GIE again

Start   bsf     STATUS,RP0      ; bank 1: TRISB
        movlw   KEYSIN
        movwf   TRISB
        bcf     STATUS,RP0      ; back to bank 0
        clrf    changes
        clrf    PORTB           ; LEDs off; RB7-RB4 latched as they are
        bcf     INTCON,RBIF
        movlw   WATCHRB
        movwf   INTCON
Idle    sleep                   ; until a key changes
        goto    Idle
        end
