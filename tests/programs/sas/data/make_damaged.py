"""Derives the damaged and re-encoded SAS files of the program tests from the written ones (run
once, after make_files.R; the files are committed):  python3 make_damaged.py"""
data = open("people.sas7bdat", "rb").read()
open("truncated.sas7bdat", "wb").write(data[:12000])       # ends inside its data page
damaged = bytearray(data)
damaged[0:32] = bytes(32)                                   # the magic number is gone
open("damaged.sas7bdat", "wb").write(bytes(damaged))
open("cut.xpt", "wb").write(open("people5.xpt", "rb").read()[:1000])

# iris.sas7bdat (written by SAS, declared WINDOWS-1252) with one species spelled with an e-acute
# (byte 0xE9 in that encoding), same length, so that the text must be converted to be read.
iris = bytearray(open("iris.sas7bdat", "rb").read())
at = iris.index(b"setosa", 1024)
iris[at:at + 6] = b"s\xe9tosa"
open("latin.sas7bdat", "wb").write(bytes(iris))

# One member stored in two formats: reading it is an error.
open("twice.xpt", "wb").write(open("people5.xpt", "rb").read())
open("twice.csv", "w").write("id\n1\n")
