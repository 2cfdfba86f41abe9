#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "errors.h"
#include "handle.h"
#include "transcription_job.h"
#include "transport.h"
#include "wait_bounds.h"

#define VX_PIECE_SIZE 1024
#define VX_READ_BUFFER_SIZE (64 * 1024)

static int fits(const char *text, size_t capacity)
{
    return !text || strlen(text) < capacity;
}

static int arguments_valid(ServiceHandle *h, const char *username, const char *session,
                           const char *audio_path, const char *text_path,
                           const TranscriptionInfo *info)
{
    if (!h || !username || !session || !audio_path || !info)
        return 0;
    /* Refuse what the job record cannot hold rather than cut it short. */
    return fits(username, VX_JOB_NAME_CAPACITY) && fits(session, VX_JOB_NAME_CAPACITY)
        && fits(audio_path, VX_JOB_PATH_CAPACITY) && fits(text_path, VX_JOB_PATH_CAPACITY)
        && fits(info->type, VX_JOB_NAME_CAPACITY) && fits(info->source_finger, VX_JOB_NAME_CAPACITY);
}

static void report_progress(const TranscriptionJob *job, const char *text)
{
    if (!job->progress_slot || !job->progress)
        return;
    *job->progress_slot = (void *)text;
    job->progress(job->progress_slot);
}

static void fill_job(TranscriptionJob *job, const char *username, const char *session,
                     const TranscriptionInfo *info)
{
    strcpy(job->username, username);
    strcpy(job->session, session);
    job->hours = info->duration / 3600;
    job->minutes = info->duration % 3600 / 60;
    job->seconds = info->duration % 3600 % 60;
    snprintf(job->duration_text, sizeof job->duration_text, "%d:%d:%d", job->hours,
             job->minutes, job->seconds);
    strcpy(job->type, info->type ? info->type : "unknown");
    job->size = info->size;
    strcpy(job->source_finger, info->source_finger ? info->source_finger : "unknown");
    job->progress_slot = info->progress_slot;
    job->progress = info->progress;
}

/* Opens a file for binary reading and measures it: 0, or code 9 / 10. */
static int open_measured(const char *path, FILE **stream, long long *size)
{
    *stream = fopen(path, "rbe");
    if (!*stream)
        return VX_ERR_FILE_OPEN;
    struct stat info;
    if (fstat(fileno(*stream), &info) != 0)
        return VX_ERR_FILE_STAT;
    *size = (long long)info.st_size;
    setvbuf(*stream, NULL, _IOFBF, VX_READ_BUFFER_SIZE);
    return VX_OK;
}

/* MD5 of a whole open file, leaving it at its start. */
static int fingerprint_stream(FILE *stream, char out[VX_MD5_HEX_SIZE])
{
    if (vx_md5_hex_stream(stream, out) != 0 || fseeko(stream, 0, SEEK_SET) != 0)
        return VX_ERR_FILE_OPEN;
    return VX_OK;
}

static int open_files(TranscriptionJob *job)
{
    int code = open_measured(job->audio_path, &job->audio, &job->audio_size);
    if (code == VX_OK && job->transcript_size != 0)
        code = open_measured(job->transcript_path, &job->transcript, &job->transcript_size);
    if (code == VX_OK)
        code = fingerprint_stream(job->audio, job->audio_finger);
    if (code == VX_OK && job->transcript)
        code = fingerprint_stream(job->transcript, job->transcript_finger);
    return code;
}

/* Announces the job and learns how many audio bytes the service already holds. */
static int announce(int fd, TranscriptionJob *job)
{
    char *body = vx_job_announcement_body(job);
    job->announcement = body ? vx_message_new_request(VX_KIND_AUDIO, body) : NULL;
    if (!job->announcement)
        return VX_ERR_NO_MEMORY;
    size_t frame_size;
    uint8_t *frame = vx_encode_frame(job->announcement, &frame_size);
    if (!frame)
        return VX_ERR_NO_MEMORY;
    int code = vx_send_all_until(fd, frame, frame_size, vx_wait_bounds()->send_ms, job->deadline);
    free(frame);
    if (code != VX_OK)
        return code == VX_DEADLINE_PASSED ? VX_ERR_RECV_TIMEOUT : VX_ERR_SEND_PACKET;

    ServiceMessage *reply;
    code = vx_read_message_until(fd, &reply, job->deadline);
    if (code != VX_OK)
        return code;
    if (reply->header.kind != VX_REPLY_KIND_OFFSET + VX_KIND_AUDIO)
        code = VX_ERR_PACKET_HEADER;
    else if (reply->header.status == 300)
        code = VX_ERR_NO_BALANCE;
    else if (reply->header.status != 0)
        code = VX_ERR_SEND_PACKET;
    else
        job->resume_offset = reply->header.length;
    vx_message_free(reply);
    return code;
}

/* Sends the rest of the stream in 1024-byte pieces, reporting after each:
 * 0, fail_code, or the receive time-out once the job's deadline passes. */
static int stream_file(int fd, const TranscriptionJob *job, FILE *stream, long long total,
                       int phase, int fail_code)
{
    char piece[VX_PIECE_SIZE];
    char text[64];
    long long sent = 0;
    const int wait_ms = vx_wait_bounds()->stream_send_ms;
    for (;;) {
        size_t got = fread(piece, 1, sizeof piece, stream);
        if (got == 0)
            return ferror(stream) ? fail_code : VX_OK;
        int code = vx_send_all_until(fd, piece, got, wait_ms, job->deadline);
        if (code == VX_DEADLINE_PASSED)
            return VX_ERR_RECV_TIMEOUT;
        if (code != VX_OK) {
            perror("send data error");
            return fail_code;
        }
        sent += (long long)got;
        if (job->progress_slot && job->progress) {
            snprintf(text, sizeof text, "%lld, %lld,%d", total, sent, phase);
            report_progress(job, text);
        }
    }
}

static int engine_failure_code(int32_t status)
{
    switch (status) {
    case -2: return VX_ERR_ENGINE_PROCESS;
    case -3: return VX_ERR_ENGINE_WRITE;
    case -4: return VX_ERR_ENGINE_DISK;
    case -5: return VX_ERR_ENGINE_TIMEOUT;
    default: return VX_ERR_ENGINE_UNKNOWN;
    }
}

/* Passes progress messages on until the final reply, which it keeps in the handle. */
static int await_result(int fd, ServiceHandle *h, TranscriptionJob *job)
{
    for (;;) {
        ServiceMessage *message;
        int code = vx_read_message_until(fd, &message, job->deadline);
        if (code != VX_OK)
            return code;
        const MessageHeader *header = &message->header;
        if (header->status == -1) {
            if (header->has_body != 1) {
                code = header->has_body == 0 ? VX_ERR_NO_BODY : VX_ERR_BODY_FLAG;
                vx_message_free(message);
                return code;
            }
            if (message->body) {
                char *text = malloc(message->body_size + 3);
                if (text) {
                    snprintf(text, message->body_size + 3, "%s,3", message->body);
                    report_progress(job, text);
                    free(text);
                }
            }
            vx_message_free(message);
            continue;
        }
        if (header->status == 0 && message->body) {
            h->audio_reply = message;
            errnum = VX_OK_SUBTITLE;
            report_progress(job, "1,1,4");
            return VX_OK;
        }
        /* A final reply without text would leave the caller a null result. */
        code = header->status == 0 ? VX_ERR_NO_LENGTH : engine_failure_code(header->status);
        vx_message_free(message);
        return code;
    }
}

static int run_job(ServiceHandle *h, TranscriptionJob *job)
{
    int fd;
    int code = vx_connect(h->host, h->port, &fd);
    if (code != VX_OK)
        return code;
    code = open_files(job);
    if (code == VX_OK)
        code = announce(fd, job);
    if (code == VX_OK && (long long)job->resume_offset > job->audio_size)
        code = VX_ERR_FILE_SEEK;
    if (code == VX_OK && fseeko(job->audio, (off_t)job->resume_offset, SEEK_SET) != 0)
        code = VX_ERR_FILE_SEEK;
    if (code == VX_OK && (long long)job->resume_offset != job->audio_size)
        code = stream_file(fd, job, job->audio, job->audio_size - job->resume_offset, 1,
                           VX_ERR_PUSH_AUDIO);
    if (code == VX_OK && job->transcript)
        code = stream_file(fd, job, job->transcript, job->transcript_size, 2, VX_ERR_PUSH_TEXT);
    if (code == VX_OK)
        code = await_result(fd, h, job);
    vx_close(fd);
    vx_message_free(job->announcement);
    job->announcement = NULL;
    return code;
}

VOXLINK_API int subtitle_audio(ServiceHandle *h, const char *username, const char *session,
                               const char *audio_path, const char *text_path,
                               TranscriptionInfo *info, char **result)
{
    if (result)
        *result = NULL;
    if (!arguments_valid(h, username, session, audio_path, text_path, info)) {
        vx_report_param_error();
        return -1;
    }
    h->kind = VX_KIND_AUDIO;

    struct stat audio_info;
    if (stat(audio_path, &audio_info) == 0 && audio_info.st_size == 0) {
        fputs("audio file too little\n", stdout);
        fflush(stdout);
        return -1;
    }
    TranscriptionJob *job = calloc(1, sizeof *job);
    if (!job) {
        errnum = VX_ERR_NO_MEMORY;
        return -1;
    }
    strcpy(job->audio_path, audio_path);
    if (text_path) {
        struct stat text_info;
        if (stat(text_path, &text_info) != 0 || text_info.st_size <= 0) {
            fputs("text file too little\n", stdout);
            fflush(stdout);
            vx_job_free(job);
            return -1;
        }
        strcpy(job->transcript_path, text_path);
        job->transcript_size = (long long)text_info.st_size;
    }
    fill_job(job, username, session, info);

    /* A handle is meant for one job; a second one replaces the first. */
    vx_job_free(h->job);
    vx_message_free(h->audio_reply);
    h->audio_reply = NULL;
    h->job = job;

    job->deadline = vx_job_deadline(info->duration);
    int code = run_job(h, job);
    if (code != VX_OK) {
        errnum = code;
        return -1;
    }
    if (result)
        *result = h->audio_reply->body;
    return 0;
}
