#include "feed/day_number.h"

int DayNumber(int year, int month, int day) {
    static const int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    if (month < 1) month = 1;
    if (month > 12) month = 12;
    int years = year - 1992;
    int number = years * 365 + years / 4 + kDaysBeforeMonth[month - 1] + day;
    if (year % 4 == 0 && month <= 2) number -= 1;
    return number;
}

CalendarDate DateOfDayNumber(int number) {
    if (number < 0) number = 0;
    CalendarDate date{1992 + number / 366, 1, 1};
    while (DayNumber(date.year + 1, 1, 1) <= number) ++date.year;
    while (date.month < 12 && DayNumber(date.year, date.month + 1, 1) <= number) ++date.month;
    date.day = number - DayNumber(date.year, date.month, 1) + 1;
    return date;
}
