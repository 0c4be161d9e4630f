# Every line of every trace ends in CR LF; the report must be the one of the
# same traces with LF line ends (blessed from them).
for f in calc.tsf strings.tsf example.tdf; do
  sed -i 's/$/\r/' "$f"
done
