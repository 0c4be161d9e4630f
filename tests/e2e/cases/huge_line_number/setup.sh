# A number of 50 MB digits; the record after it is read.
{ printf 'ST '; head -c 50M /dev/zero | tr '\0' 9; printf '\nNO 4\n'; } >> t.tdf
