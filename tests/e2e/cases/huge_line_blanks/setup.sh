# 50 MB of blanks before a quoted field.
{ printf 'IN '; head -c 50M /dev/zero | tr '\0' ' '; printf '"File" 1 "T"\n'; cat t.tsf; } > blanks && mv blanks t.tsf
