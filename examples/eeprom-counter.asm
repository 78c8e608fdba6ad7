; Start counter: counts the chip's starts in byte 0
; of the data EEPROM, which keeps its value through a
; reset and with the power off, and shows the count
; on PORTB.
;
; In the simulator: tick Simulate > Watchdog Timer
; and Run (F9). The program never clears the
; watchdog, so it resets the chip about every 2.3 s;
; after each start byte 00 in the EEPROM view and
; RB0-RB7 show one more. The write takes 10 ms: WR in
; EECON1 stays set while the program waits for it.

        list    p=16C84
        #include <p16c84.inc>
        radix   dec
        cblock  0x0C
            starts              ; the count, read and incremented
        endc
COUNTAT equ     0               ; the count's EEPROM address
UNLOCK1 equ     0x55            ; the two values a write needs...
UNLOCK2 equ     0xAA            ; ...in EECON2, in this order

        org     0
Start   bsf     STATUS,RP0      ; bank 1: TRISB
        clrf    TRISB           ; PORTB all outputs
        bcf     STATUS,RP0      ; back to bank 0
        movlw   COUNTAT
        movwf   EEADR
        bsf     STATUS,RP0
        bsf     EECON1,RD       ; EEDATA holds the byte at once
        bcf     STATUS,RP0
        incf    EEDATA,W        ; one start more
        movwf   starts
        movwf   PORTB           ; show it
        movwf   EEDATA          ; and write it back to COUNTAT
        bsf     STATUS,RP0
        bsf     EECON1,WREN     ; writes allowed
        movlw   UNLOCK1         ; the chip starts a write only after
        movwf   EECON2          ; 0x55 and 0xAA go to EECON2
        movlw   UNLOCK2
        movwf   EECON2
        bsf     EECON1,WR       ; the write starts: about 10 ms
Writing btfsc   EECON1,WR       ; the chip clears WR when it is done
        goto    Writing
        bcf     EECON1,WREN     ; no stray write from here on
        bcf     STATUS,RP0
Done    goto    Done            ; wait for the next reset
        end
