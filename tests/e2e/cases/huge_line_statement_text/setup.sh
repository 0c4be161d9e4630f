# A 50 MB statement text is cut to its bound; the record after it is read.
{ printf 'IN "File" 1 "T"\nID 1 2\nIN "TestCase" 2 "c"\nTX 3 "'; head -c 50M /dev/zero | tr '\0' a
  printf '"\nTX 4 "after"\nED \n'; } > t.tsf
printf 'SF 1 1 2\nCS 1\nNI 2 1\nST 65\nNO 3\nNO 4\n' > t.tdf
