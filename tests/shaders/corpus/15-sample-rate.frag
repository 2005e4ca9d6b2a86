// iSampleRate: a frequency scale marked every kilohertz.
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    float hz = fragCoord.x / iResolution.x * iSampleRate * 0.5;
    float mark = step(0.95, fract(hz / 1000.0));
    fragColor = vec4(mark, texture(iChannel0, vec2(fragCoord.x / iResolution.x, 0.25)).x, 0.0, 1.0);
}
