// iMouse: a ring where the pointer is, filled while a button is held.
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    float d = distance(fragCoord, iMouse.xy);
    float held = iMouse.z > 0.0 ? 1.0 : 0.0;
    float ring = smoothstep(40.0, 38.0, d) * (held + (1.0 - held) * step(30.0, d));
    fragColor = vec4(vec3(ring), 1.0);
}
