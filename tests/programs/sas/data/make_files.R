# Writes the SAS files the program tests read, with R's haven (run once; the files are committed):
#   Rscript make_files.R
library(haven)

people <- data.frame(
  id = c(1, 2, 3, 4, 5),
  score = c(1.5, NA, -2.25, 12345678.125, tagged_na("A")),
  group = c(tagged_na("Z"), 2, 2, 1, 0),
  name = c("Ann", "Bob", "", "Dora", "Eve Ellen Evans-Everett, the 5th"),
  stringsAsFactors = FALSE
)
attr(people$score, "label") <- "Test score"
attr(people$score, "format.sas") <- "8.2"
attr(people$name, "label") <- "Given name"

write_xpt(people, "people5.xpt", version = 5, name = "PEOPLE")
write_xpt(people, "people8.xpt", version = 8, name = "PEOPLE")
write_sas(people, "people.sas7bdat")

# Version 8 transport files take long names and long texts.
long <- data.frame(
  a_rather_long_variable_name = c(1, 2),
  note = c(strrep("x", 300), "short"),
  stringsAsFactors = FALSE
)
write_xpt(long, "longnames.xpt", version = 8, name = "LONG")
