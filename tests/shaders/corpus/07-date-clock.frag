// iDate: a clock hand for the seconds of the day.
#define PI 3.14159265
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 p = (2.0 * fragCoord - iResolution.xy) / iResolution.y;
    float angle = -mod(iDate.w, 60.0) / 60.0 * 2.0 * PI + PI / 2.0;
    vec2 hand = vec2(cos(angle), sin(angle));
    float along = clamp(dot(p, hand), 0.0, 0.9);
    float line = smoothstep(0.02, 0.0, length(p - hand * along));
    fragColor = vec4(vec3(line) + vec3(0.1, 0.0, iDate.y / 12.0), 1.0);
}
