#!/bin/sh
# Imports every example's MPASM source into the program file shipped beside it.
# usage: examples/regenerate.sh TARVIK_ASM    (for example build/tarvik-asm)
set -eu
asm=$1
cd "$(dirname "$0")"
for source in *.asm; do
    "$asm" --import "$source" -o "${source%.asm}.qel"
done
