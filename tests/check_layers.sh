#!/bin/sh
# The layer table: each folder of src/ and the folders its files may include. A folder
# uses only the layers below it; the chips use each other only through the bus.
# Prints every include against the table and fails when there is one.
cd "$(dirname "$0")/../src" || exit 2
below_machine="base bus cpu video sound floppy peripherals machine"
allowed() {
    case $1 in
    base) echo "base" ;;
    bus) echo "base bus" ;;
    cpu | video | sound | floppy | peripherals) echo "base bus $1" ;;
    machine) echo "$below_machine" ;;
    debugger | media | gemdos) echo "$below_machine $1" ;;
    frontend) echo "$below_machine debugger media gemdos frontend" ;;
    host | libretro) echo "$below_machine debugger media gemdos frontend $1" ;;
    *) echo "" ;;
    esac
}
status=0
for folder in */; do
    folder=${folder%/}
    permitted=$(allowed "$folder")
    if [ -z "$permitted" ]; then
        echo "src/$folder: a folder the layer table does not name"
        status=1
        continue
    fi
    for include in $(grep -rhoE '^#include "[a-z_]+/' "$folder" | sed -E 's/#include "([a-z_]+)\//\1/' | sort -u); do
        case " $permitted " in
        *" $include "*) ;;
        *)
            grep -rnE "^#include \"$include/" "$folder" | sed "s|^|src/|; s|\$| (src/$folder may not use src/$include)|"
            status=1
            ;;
        esac
    done
done
exit $status
