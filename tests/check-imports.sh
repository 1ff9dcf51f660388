#!/bin/sh
# Fails when the program imports a DLL outside the platform's own set.
objdump=$1
exe=$2
allowed="KERNEL32.dll USER32.dll GDI32.dll ADVAPI32.dll SHELL32.dll ole32.dll"
dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$dlls" ] || { echo "no imports found in $exe"; exit 1; }
status=0
for dll in $dlls; do
    ok=no
    for a in $allowed; do
        [ "$(echo "$dll" | tr A-Z a-z)" = "$(echo "$a" | tr A-Z a-z)" ] && ok=yes
    done
    echo "$exe imports $dll: $ok"
    [ $ok = yes ] || status=1
done
exit $status
