# Expected values of calendar_test.cpp, computed with Python's datetime (run with /usr/bin/python3;
# the output was pasted into the test). SAS dates count days from 1960-01-01; INTCK counts the
# interval starts passed, its 'C' method the whole intervals from the first date; INTNX moves by
# whole intervals; YRDIF's bases as the function's documentation defines them.
import calendar
from datetime import date, datetime, timedelta

EPOCH = date(1960, 1, 1)


def sas(d):
    return (d - EPOCH).days


def month_start(d):
    return date(d.year, d.month, 1)


def add_months(d, n):
    """The same day n months on, the last day of a shorter month."""
    m = d.year * 12 + d.month - 1 + n
    y, m = divmod(m, 12)
    return date(y, m + 1, min(d.day, calendar.monthrange(y, m + 1)[1]))


def week_start(d):  # weeks start on Sunday
    return d - timedelta(days=(d.weekday() + 1) % 7)


def start_of(unit, d):
    if unit == 'day':
        return d
    if unit == 'week':
        return week_start(d)
    if unit == 'month':
        return month_start(d)
    if unit == 'qtr':
        return date(d.year, 3 * ((d.month - 1) // 3) + 1, 1)
    if unit == 'year':
        return date(d.year, 1, 1)


def next_start(unit, s):
    return {'day': lambda: s + timedelta(days=1), 'week': lambda: s + timedelta(days=7),
            'month': lambda: add_months(s, 1), 'qtr': lambda: add_months(s, 3),
            'year': lambda: add_months(s, 12)}[unit]()


def intck(unit, a, b):
    """Interval starts passed going from a to b, counted by walking the calendar."""
    sign = 1 if b >= a else -1
    lo, hi = (a, b) if sign > 0 else (b, a)
    s, n = start_of(unit, lo), 0
    while True:
        s = next_start(unit, s)
        if s > hi:
            return sign * n
        n += 1


def advance_same(unit, d, n):
    if unit == 'day':
        return d + timedelta(days=n)
    if unit == 'week':
        return d + timedelta(days=7 * n)
    return add_months(d, n * {'month': 1, 'qtr': 3, 'year': 12}[unit])


def intck_c(unit, a, b):
    """Whole intervals from a: the largest n with a moved n intervals (same day) not past b."""
    n = 0
    if b >= a:
        while advance_same(unit, a, n + 1) <= b:
            n += 1
    else:
        while advance_same(unit, a, n - 1) >= b:
            n -= 1
    return n


def intnx(unit, d, n, align):
    s = start_of(unit, d)
    for _ in range(abs(n)):
        s = next_start(unit, s) if n > 0 else start_of(unit, s - timedelta(days=1))
    if align == 'b':
        return s
    if align == 'e':
        return next_start(unit, s) - timedelta(days=1)
    if align == 'm':
        e = next_start(unit, s) - timedelta(days=1)
        return s + timedelta(days=(e - s).days // 2)
    return advance_same(unit, d, n)


def yrdif(a, b, basis):
    if basis == 'ACT/360':
        return (b - a).days / 360
    if basis == 'ACT/365':
        return (b - a).days / 365
    if basis == '30/360':
        def d30(d):
            return 30 if d.day == calendar.monthrange(d.year, d.month)[1] else d.day
        return (360 * (b.year - a.year) + 30 * (b.month - a.month) + d30(b) - d30(a)) / 360
    if basis == 'ACT/ACT':  # days in 365-day years / 365 + days in 366-day years / 366
        t, d = 0.0, a
        while d < b:
            t += 1 / (366 if calendar.isleap(d.year) else 365)
            d += timedelta(days=1)
        return t
    # AGE: whole years to the last birthday (29 February counts as the 28th in a common year),
    # then the fraction of the year to the next one.
    def birthday(y):
        return date(y, a.month, min(a.day, calendar.monthrange(y, a.month)[1]))
    k = b.year - a.year
    if birthday(b.year) > b:
        k -= 1
    last, nxt = birthday(a.year + k), birthday(a.year + k + 1)
    return k + (b - last).days / (nxt - last).days


dates = [date(1960, 1, 1), date(1959, 12, 31), date(2000, 2, 29), date(2024, 1, 15), date(1900, 3, 1),
         date(2100, 12, 31), date(1582, 10, 15), date(2024, 12, 31)]
print('// civil -> SAS date, weekday (1 = Sunday)')
for d in dates:
    print('{%d, %d, %d, %d, %d},' % (d.year, d.month, d.day, sas(d), (d.weekday() + 1) % 7 + 1))

pairs = [(date(2024, 1, 31), date(2024, 2, 29)), (date(2024, 1, 15), date(2024, 3, 14)),
         (date(2023, 12, 31), date(2024, 1, 1)), (date(2024, 3, 10), date(2023, 11, 5)),
         (date(2019, 6, 30), date(2024, 6, 29)), (date(2024, 1, 1), date(2024, 1, 7)),
         (date(2024, 1, 6), date(2024, 1, 8))]
print('// INTCK: unit, from, to, discrete, continuous')
for unit in ['day', 'week', 'month', 'qtr', 'year']:
    for a, b in pairs:
        print('{"%s", %d, %d, %d, %d},' % (unit, sas(a), sas(b), intck(unit, a, b), intck_c(unit, a, b)))

print('// INTNX: unit, start, n, alignment, result')
for unit in ['day', 'week', 'month', 'qtr', 'year']:
    for d, n in [(date(2024, 1, 31), 1), (date(2024, 5, 15), -2), (date(2024, 2, 29), 12), (date(2023, 11, 30), 3)]:
        for align in 'bmes':
            print('{"%s", %d, %d, \'%s\', %d},' % (unit, sas(d), n, align, sas(intnx(unit, d, n, align))))

print('// YRDIF: from, to, basis, years')
for a, b in [(date(1998, 10, 16), date(2010, 2, 16)), (date(2000, 2, 29), date(2024, 2, 28)),
             (date(1960, 1, 1), date(2024, 1, 15)), (date(2023, 12, 31), date(2024, 3, 1))]:
    for basis in ['AGE', 'ACT/ACT', '30/360', 'ACT/360', 'ACT/365']:
        print('{%d, %d, "%s", %.15g},' % (sas(a), sas(b), basis, yrdif(a, b, basis)))

# Datetimes: seconds since 1960-01-01T00:00.
dt = datetime(2024, 1, 15, 10, 30, 15)
print('// datetime of 15JAN2024:10:30:15', int((dt - datetime(1960, 1, 1)).total_seconds()))
