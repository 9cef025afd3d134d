/*
 * A host in C.  It lays out a tiny project in its own memory, record by
 * record at the strides and offsets of the README ("Host records"), loads
 * the library at run time, minimises and orients the project, and prints
 * what the library did:
 *
 *     host_in_c [LIBRARY]
 *
 * LIBRARY defaults to min_lumo.dll on Windows and ./libmin_lumo.so
 * elsewhere.  The project: four stations observed in all pairs in one
 * session, BASE a control station.  Exit status 0 when the library ran, 1
 * when it failed or could not be loaded.
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "min_lumo.h"

/* Record strides, in bytes. */
#define SOURCE_BYTES 2708
#define STATION_BYTES 13640
#define BASELINE_BYTES 1584
#define OBSERVATION_BYTES 2680
#define CONTROL_BYTES 84

/* Field offsets, in bytes from the start of the record. */
#define SOURCE_RATIO_DENOMINATOR_AT 420
#define SOURCE_RATIO_NUMERATOR_AT 424
#define STATION_NAME_AT 0
#define STATION_POSITION_FLAG_A_AT 5168
#define STATION_LATITUDE_AT 5172
#define STATION_LONGITUDE_AT 5180
#define STATION_HEIGHT_AT 5188
#define STATION_TREE_LEVEL_AT 5440
#define BASELINE_FROM_STATION_AT 64
#define BASELINE_TO_STATION_AT 68
#define BASELINE_OBSERVATION_COUNT_AT 72
#define BASELINE_OBSERVATION_LIST_AT 76
#define BASELINE_DIRECTION_LEVEL_AT 1112
#define OBSERVATION_LABEL_AT 0
#define OBSERVATION_FROM_SOURCE_NAME_AT 32
#define OBSERVATION_TO_SOURCE_NAME_AT 288
#define OBSERVATION_TIME_SPAN_AT 544
#define OBSERVATION_BASELINE_AT 560
#define OBSERVATION_SOLUTION_STATUS_AT 2188
#define OBSERVATION_REMOVED_AT 2656
#define OBSERVATION_START_TIME_AT 2664
#define OBSERVATION_END_TIME_AT 2672
#define CONTROL_NAME_AT 0

#define STATION_COUNT 4
#define BASELINE_COUNT (STATION_COUNT * (STATION_COUNT - 1) / 2)

/* Fields lie at byte offsets that need not be aligned: copy, never cast. */
static void Put_Int(unsigned char* record, int offset, int32_t value)
{
    memcpy(record + offset, &value, sizeof value);
}
static void Put_Double(unsigned char* record, int offset, double value)
{
    memcpy(record + offset, &value, sizeof value);
}
static void Put_Float(unsigned char* record, int offset, float value)
{
    memcpy(record + offset, &value, sizeof value);
}
static void Put_Text(unsigned char* record, int offset, const char* text)
{
    strcpy((char*)record + offset, text);
}
static int32_t Get_Int(const unsigned char* record, int offset)
{
    int32_t value;
    memcpy(&value, record + offset, sizeof value);
    return value;
}

static const char* const stationNames[STATION_COUNT] = {"BASE", "KAPF", "HOLZ", "BRUN"};

/* The project in zeroed memory, as the host keeps it.  Every pair of
 * stations is one baseline with one observation, all in the session of
 * 2024-05-14 from 07:30 to 10:30 UTC (seconds since 1970).  Each baseline
 * runs from the later station in the list to the earlier one, towards the
 * control station BASE, so orientation has baselines to reverse. */
static int Build_Project(ProjectHeader* project)
{
    static const double latitudes[STATION_COUNT] = {47.0500, 47.0626, 47.0689, 47.0554};
    static const double longitudes[STATION_COUNT] = {8.3000, 8.2881, 8.3171, 8.3315};
    static const float heights[STATION_COUNT] = {436.512f, 441.03f, 468.774f, 429.95f};
    const double sessionStart = 1715671800.0;
    unsigned char* sources = calloc(1, SOURCE_BYTES);
    unsigned char* stations = calloc(STATION_COUNT, STATION_BYTES);
    unsigned char* baselines = calloc(BASELINE_COUNT, BASELINE_BYTES);
    unsigned char* observations = calloc(BASELINE_COUNT, OBSERVATION_BYTES);
    unsigned char* controls = calloc(1, CONTROL_BYTES);
    int first, second, i, b = 0;
    if (!sources || !stations || !baselines || !observations || !controls) {
        free(sources);
        free(stations);
        free(baselines);
        free(observations);
        free(controls);
        return 0;
    }

    Put_Int(sources, SOURCE_RATIO_NUMERATOR_AT, 1);
    Put_Int(sources, SOURCE_RATIO_DENOMINATOR_AT, 1);
    for (i = 0; i < STATION_COUNT; ++i) {
        unsigned char* station = stations + i * STATION_BYTES;
        Put_Text(station, STATION_NAME_AT, stationNames[i]);
        Put_Int(station, STATION_POSITION_FLAG_A_AT, 1);
        Put_Double(station, STATION_LATITUDE_AT, latitudes[i]);
        Put_Double(station, STATION_LONGITUDE_AT, longitudes[i]);
        Put_Float(station, STATION_HEIGHT_AT, heights[i]);
    }
    for (first = 0; first < STATION_COUNT; ++first) {
        for (second = first + 1; second < STATION_COUNT; ++second, ++b) {
            unsigned char* baseline = baselines + b * BASELINE_BYTES;
            unsigned char* observation = observations + b * OBSERVATION_BYTES;
            /* Receivers set up a few minutes apart: every pair has its own span. */
            const double start = sessionStart + 120.0 * (first + second);
            const double end = sessionStart + 10800.0 - 60.0 * second;
            char label[32];
            sprintf(label, "%s S1 %s 1", stationNames[second], stationNames[first]);
            Put_Int(baseline, BASELINE_FROM_STATION_AT, second);
            Put_Int(baseline, BASELINE_TO_STATION_AT, first);
            Put_Int(baseline, BASELINE_OBSERVATION_COUNT_AT, 1);
            Put_Int(baseline, BASELINE_OBSERVATION_LIST_AT, b);
            Put_Text(observation, OBSERVATION_LABEL_AT, label);
            Put_Text(observation, OBSERVATION_FROM_SOURCE_NAME_AT, "GNSS");
            Put_Text(observation, OBSERVATION_TO_SOURCE_NAME_AT, "GNSS");
            Put_Double(observation, OBSERVATION_TIME_SPAN_AT, end - start);
            Put_Int(observation, OBSERVATION_BASELINE_AT, b);
            Put_Double(observation, OBSERVATION_START_TIME_AT, start);
            Put_Double(observation, OBSERVATION_END_TIME_AT, end);
        }
    }
    Put_Text(controls, CONTROL_NAME_AT, "BASE");

    project->sourceCount = 1;
    project->sources = (struct SourceRecord*)sources;
    project->stationCount = STATION_COUNT;
    project->stations = (struct StationRecord*)stations;
    project->baselineCount = BASELINE_COUNT;
    project->baselines = (struct BaselineRecord*)baselines;
    project->observationCount = BASELINE_COUNT;
    project->observations = (struct ObservationRecord*)observations;
    project->controlCount = 1;
    project->controls = (struct ControlRecord*)controls;
    return 1;
}

static void Release_Project(ProjectHeader* project)
{
    free(project->sources);
    free(project->stations);
    free(project->baselines);
    free(project->observations);
    free(project->controls);
}

static void Print_Minimisation(const ProjectHeader* project)
{
    const unsigned char* observations = (const unsigned char*)project->observations;
    int i;
    for (i = 0; i < project->observationCount; ++i) {
        const unsigned char* observation = observations + i * OBSERVATION_BYTES;
        const int rejected = Get_Int(observation, OBSERVATION_REMOVED_AT) == 1
                             && Get_Int(observation, OBSERVATION_SOLUTION_STATUS_AT) == -1;
        printf("observation %s: %s\n", (const char*)observation + OBSERVATION_LABEL_AT,
               rejected ? "rejected" : "kept");
    }
}

static void Print_Orientation(const ProjectHeader* project)
{
    const unsigned char* stations = (const unsigned char*)project->stations;
    const unsigned char* baselines = (const unsigned char*)project->baselines;
    const unsigned char* observations = (const unsigned char*)project->observations;
    int i;
    for (i = 0; i < project->stationCount; ++i)
        printf("station %s: level %d\n", stationNames[i],
               (int)Get_Int(stations + i * STATION_BYTES, STATION_TREE_LEVEL_AT));
    for (i = 0; i < project->baselineCount; ++i) {
        const unsigned char* baseline = baselines + i * BASELINE_BYTES;
        const unsigned char* observation =
            observations + Get_Int(baseline, BASELINE_OBSERVATION_LIST_AT) * OBSERVATION_BYTES;
        printf("baseline %d: %s to %s, level %d, observation %s\n", i,
               stationNames[Get_Int(baseline, BASELINE_FROM_STATION_AT)],
               stationNames[Get_Int(baseline, BASELINE_TO_STATION_AT)],
               (int)Get_Int(baseline, BASELINE_DIRECTION_LEVEL_AT),
               (const char*)observation + OBSERVATION_LABEL_AT);
    }
}

#ifdef _WIN32
typedef HMODULE Module;
#define DEFAULT_LIBRARY "min_lumo.dll"
#else
typedef void* Module;
#define DEFAULT_LIBRARY "./libmin_lumo.so"
#endif

/* Stores the address of `name` in the function pointer at `entry`.  ISO C
 * converts no object pointer (dlsym's result) to a function pointer, so the
 * address is copied; both platforms guarantee it is the function's. */
static int Find_Entry(Module module, const char* name, void* entry, size_t entrySize)
{
#ifdef _WIN32
    FARPROC address = GetProcAddress(module, name);
#else
    void* address = dlsym(module, name);
#endif
    if (address == NULL || sizeof address != entrySize) {
        fprintf(stderr, "host_in_c: the library does not export %s\n", name);
        return 0;
    }
    memcpy(entry, &address, entrySize);
    return 1;
}

int main(int argc, char** argv)
{
    static const int32_t sizes[MIN_LUMO_STRUCT_SIZE_COUNT] = MIN_LUMO_STRUCT_SIZES;
    const char* path = argc > 1 ? argv[1] : DEFAULT_LIBRARY;
    DLL_Min_Lumo_Function minimise;
    DLL_Fix_Baseline_Direction_Function orient;
    Get_Error_Message_Function message;
    char text[MIN_LUMO_MESSAGE_CAPACITY];
    ProjectHeader project;
    int32_t result;
#ifdef _WIN32
    Module module = LoadLibraryA(path);
#else
    Module module = dlopen(path, RTLD_NOW);
#endif
    if (module == NULL) {
        fprintf(stderr, "host_in_c: cannot load %s\n", path);
        return 1;
    }
    if (!Find_Entry(module, MIN_LUMO_NAME_MIN_LUMO, &minimise, sizeof minimise)
        || !Find_Entry(module, MIN_LUMO_NAME_FIX_BASELINE_DIRECTION, &orient, sizeof orient)
        || !Find_Entry(module, MIN_LUMO_NAME_GET_ERROR_MESSAGE, &message, sizeof message)
        || !Build_Project(&project))
        return 1;

    result = minimise(sizes, &project);
    message(text);
    printf("DLL_Min_Lumo: %d, message \"%s\"\n", (int)result, text);
    if (result == 0) {
        Print_Minimisation(&project);
        printf("DLL_Fix_Baseline_Direction: %d\n", (int)orient(&project));
        Print_Orientation(&project);
    }
    Release_Project(&project);
#ifdef _WIN32
    FreeLibrary(module);
#else
    dlclose(module);
#endif
    return result == 0 ? 0 : 1;
}
