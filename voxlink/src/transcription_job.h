#ifndef VOXLINK_TRANSCRIPTION_JOB_H
#define VOXLINK_TRANSCRIPTION_JOB_H

#include <stdint.h>
#include <stdio.h>

#include "digest.h"
#include "frame.h"
#include "voxlink.h"

#ifdef __cplusplus
extern "C" {
#endif

#define VX_JOB_PATH_CAPACITY 256
#define VX_JOB_NAME_CAPACITY 128
#define VX_JOB_DURATION_CAPACITY 32

/* Everything one transcription needs; owned by the handle until subtitle_end. */
typedef struct TranscriptionJob {
    FILE *audio;
    FILE *transcript;
    uint32_t resume_offset;
    char duration_text[VX_JOB_DURATION_CAPACITY];
    int32_t hours, minutes, seconds;
    long long audio_size;
    char audio_path[VX_JOB_PATH_CAPACITY];
    char audio_finger[VX_MD5_HEX_SIZE];
    long long transcript_size;
    char transcript_path[VX_JOB_PATH_CAPACITY];
    char transcript_finger[VX_MD5_HEX_SIZE];
    char username[VX_JOB_NAME_CAPACITY];
    char session[VX_JOB_NAME_CAPACITY];
    char type[VX_JOB_NAME_CAPACITY];
    char source_finger[VX_JOB_NAME_CAPACITY];
    uint32_t size;
    ServiceMessage *announcement;
    void **progress_slot;
    subtitle_progress_fn progress;
    int64_t deadline; /* monotonic ms; the whole exchange ends by then */
} TranscriptionJob;

/* Closes the job's files and releases it. */
void vx_job_free(TranscriptionJob *job);

/* The part of a path after its last '/' or '\\'. */
const char *vx_path_file_name(const char *path);

/* Announcement body (kind 6) of a prepared job; malloc'd, NULL without memory. */
char *vx_job_announcement_body(const TranscriptionJob *job);

#ifdef __cplusplus
}
#endif

#endif
