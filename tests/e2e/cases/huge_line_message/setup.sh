# A 50 MB message; the record after it is read.
{ printf 'NO 3 "'; head -c 50M /dev/zero | tr '\0' m; printf '"\nNO 4\n'; } >> t.tdf
