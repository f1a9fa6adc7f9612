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
