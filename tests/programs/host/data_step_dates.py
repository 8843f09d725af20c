# Expected values of data_step_dates.sas, computed with Python's datetime and calendar (run with
# /usr/bin/python3). SAS dates count days from 1960-01-01, datetimes seconds from its midnight.
import calendar
from datetime import date, datetime, timedelta

EPOCH = date(1960, 1, 1)


def sas(d):
    return (d - EPOCH).days


def add_months(d, n):
    m = d.year * 12 + d.month - 1 + n
    y, m = divmod(m, 12)
    return date(y, m + 1, min(d.day, calendar.monthrange(y, m + 1)[1]))


def month_index(d):
    return d.year * 12 + d.month - 1


def week_start(d):  # Sunday
    return d - timedelta(days=(d.weekday() + 1) % 7)


def continuous(a, b, months):
    n = 0
    while add_months(a, months * (n + 1)) <= b:
        n += 1
    return n


def age(a, b):
    def birthday(y):
        return date(y, a.month, min(a.day, calendar.monthrange(y, a.month)[1]))
    k = b.year - a.year - (1 if birthday(b.year) > b else 0)
    last, nxt = birthday(a.year + k), birthday(a.year + k + 1)
    return k + (b - last).days / (nxt - last).days


def actual(a, b):
    return sum(1 / (366 if calendar.isleap((a + timedelta(days=i)).year) else 365) for i in range((b - a).days))


def d30(d):
    return 30 if d.day == calendar.monthrange(d.year, d.month)[1] else d.day


rows = [(date(2024, 1, 31), date(2024, 2, 29), datetime(2024, 1, 15, 10, 30, 15), (9, 5, 0)),
        (date(1998, 3, 15), date(2024, 3, 14), datetime(1960, 1, 1), (23, 59, 59)),
        (date(2000, 2, 29), date(2024, 2, 28), datetime(1999, 12, 31, 23, 59, 59), (0, 0, 0))]
for a, b, stamp, clock in rows:
    qtr_start = date(b.year, 3 * ((b.month - 1) // 3) + 1, 1)
    print('days=%d months=%d months_c=%d weeks=%d years=%d years_c=%d qtrs=%d' % (
        (b - a).days, month_index(b) - month_index(a), continuous(a, b, 1),
        ((week_start(b) - week_start(a)).days // 7), b.year - a.year, continuous(a, b, 12),
        (b.year * 4 + (b.month - 1) // 3) - (a.year * 4 + (a.month - 1) // 3)))
    print('next_month=%s month_end=%s same_next=%s qtr_begin=%s year_mid=%s week_start=%s' % (
        add_months(date(a.year, a.month, 1), 1), add_months(date(a.year, a.month, 1), 1) - timedelta(days=1),
        add_months(a, 1), add_months(qtr_start, -3),
        # the middle of the year two on: halfway from 1 January to 31 December, rounded down
        date(a.year + 2, 1, 1) + timedelta(days=(date(a.year + 2, 12, 31) - date(a.year + 2, 1, 1)).days // 2),
        week_start(b)))
    print('age=%.8f act=%.8f t360=%.8f y=%d m=%d dd=%d q=%d wd=%d built=%s' % (
        age(a, b), actual(a, b),
        (360 * (b.year - a.year) + 30 * (b.month - a.month) + d30(b) - d30(a)) / 360,
        a.year, a.month, a.day, (a.month - 1) // 3 + 1, (a.weekday() + 1) % 7 + 1, a))
    seconds = int((stamp - datetime(1960, 1, 1)).total_seconds())
    later = stamp.replace(minute=0, second=0) + timedelta(hours=3)
    print('stamp=%s dp=%s tp=%s hr=%d mn=%d sc=%d later=%s clock=%d:%02d:%02d clock2=%d:%02d:30 (seconds %d)' % (
        stamp, stamp.date(), stamp.time(), stamp.hour, stamp.minute, stamp.second, later,
        clock[0], clock[1], clock[2], clock[0], clock[1], seconds))
print('01jan2024:', sas(date(2024, 1, 1)), "10:00 = 36000 s, 01jan2024:10:00 =",
      int((datetime(2024, 1, 1, 10) - datetime(1960, 1, 1)).total_seconds()))
