#pragma once
// Dates of articles are kept as day numbers: whole days from 1 January 1992 (day 0), every year
// divisible by 4 counted as a leap year; valid for the years 1992 to 2500.

int DayNumber(int year, int month, int day);

// The calendar date of day number `number` (0 or more), the inverse of DayNumber.
struct CalendarDate {
    int year, month, day;
};
CalendarDate DateOfDayNumber(int number);
