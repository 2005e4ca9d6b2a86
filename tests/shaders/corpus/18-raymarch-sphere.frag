// A ray-marched sphere, its radius beating with the bass.
float scene(vec3 p, float radius) { return length(p) - radius; }
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 uv = (2.0 * fragCoord - iResolution.xy) / iResolution.y;
    vec3 ray = normalize(vec3(uv, 1.5)), origin = vec3(0.0, 0.0, -3.0);
    float radius = 0.8 + 0.4 * texture(iChannel0, vec2(0.05, 0.25)).x;
    float travelled = 0.0;
    for (int i = 0; i < 64; i++) {
        float d = scene(origin + ray * travelled, radius);
        if (d < 0.001 || travelled > 10.0) break;
        travelled += d;
    }
    float hit = travelled < 10.0 ? 1.0 : 0.0;
    vec3 normal = normalize(origin + ray * travelled);
    fragColor = vec4(vec3(0.2, 0.5, 1.0) * hit * max(dot(normal, normalize(vec3(1, 1, -1))), 0.1), 1.0);
}
