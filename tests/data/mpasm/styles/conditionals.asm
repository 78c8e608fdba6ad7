; One source for the board and for the simulator.
        list    p=16f84
        #include <p16f84.inc>

#define SIMULATOR               ; remove for the board
CLOCK   equ     D'4000000'
        variable blink=2, spare

        cblock  0x0C
            count
        endc

        org     0
        bsf     STATUS,RP0
        clrf    TRISB
        bcf     STATUS,RP0
loop    movlw   0xFF
        movwf   PORTB
        ifdef   SIMULATOR
        movlw   2               ; short, so that the simulator shows it
        else
        movlw   250
        endif
        movwf   count
again   decfsz  count,F
        goto    again
        if CLOCK > D'10000000' && blink != 0
        nop
        nop
        endif
#ifndef SIMULATOR
        clrwdt
#endif
        ifndef  __16C84
        if blink == 2
        comf    PORTB,F
        else
        clrf    PORTB
        endif
        endif
        goto    loop
        end
