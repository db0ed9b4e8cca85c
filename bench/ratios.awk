# Reads bench/ratios.txt and the console output of the benchmark programs (aggregates
# only) and prints, for each pair, both medians (real time) and their ratio.
function ms(value, unit) {
  if (unit == "ns") return value / 1e6
  if (unit == "us") return value / 1e3
  if (unit == "s") return value * 1e3
  return value
}
FNR == NR {
  if ($0 !~ /^#/ && NF == 2) { fast[++npairs] = $1; ref[npairs] = $2 }
  next
}
$1 ~ /_median$/ {
  name = $1
  sub(/_median$/, "", name)
  median[name] = ms($2, $3)
}
END {
  print "\n== medians and ratios to the straightforward implementation"
  for (i = 1; i <= npairs; ++i)
    if ((fast[i] in median) && (ref[i] in median))
      printf "%-28s %10.3f ms   %-30s %10.3f ms   ratio %8.1f\n", fast[i], median[fast[i]],
             ref[i], median[ref[i]], median[ref[i]] / median[fast[i]]
}
