#include "transcription_job.h"

#include <stdlib.h>

#include "json_body.h"

void vx_job_free(TranscriptionJob *job)
{
    if (!job)
        return;
    if (job->audio)
        fclose(job->audio);
    if (job->transcript)
        fclose(job->transcript);
    vx_message_free(job->announcement);
    free(job);
}

const char *vx_path_file_name(const char *path)
{
    const char *name = path;
    for (const char *p = path; *p; ++p)
        if (*p == '/' || *p == '\\')
            name = p + 1;
    return name;
}

char *vx_job_announcement_body(const TranscriptionJob *job)
{
    const int has_transcript = job->transcript != NULL;
    const VxMember members[] = {
        VX_STRING("username", job->username),
        VX_STRING("session", job->session),
        VX_STRING("filename", vx_path_file_name(job->audio_path)),
        VX_NUMBER("audio_size", job->audio_size),
        VX_STRING("fingerprint", job->audio_finger),
        VX_STRING("type", job->type),
        VX_NUMBER("size", job->size),
        VX_STRING("source_finger", job->source_finger),
        VX_STRING("textname", has_transcript ? vx_path_file_name(job->transcript_path) : ""),
        VX_STRING("text_finger", has_transcript ? job->transcript_finger : ""),
        VX_NUMBER("text_size", has_transcript ? job->transcript_size : 0),
        VX_STRING("duration", job->duration_text),
        VX_NUMBER("hours", job->hours),
        VX_NUMBER("minutes", job->minutes),
        VX_NUMBER("seconds", job->seconds),
    };
    return vx_json_body(members, sizeof members / sizeof members[0]);
}
