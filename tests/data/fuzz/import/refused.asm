 macro
#define A 1
 ifdef A
 res 2
