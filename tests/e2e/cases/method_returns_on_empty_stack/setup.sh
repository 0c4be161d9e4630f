# "MR" with nothing to return to, before and after the records: the report
# is the one of the traces without them.
{ printf 'MR \nMR \n'; cat t.tdf; awk 'BEGIN { for (i = 0; i < 1000000; i++) print "MR " }'; } > returns && mv returns t.tdf
